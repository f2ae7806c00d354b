#!/usr/bin/env bash
# Extraction as users wait for it, end to end: the benchmark corpus
# (tools/bench-corpus.sh) cut into files of mixed sizes (thousands of small
# ones, some medium, a few large; fixed seed), packed by our packer with
# Deflate and by zip at the same level, then extracted into fresh empty
# folders by `packer -x`, `unzip -qq` and `7z x`, alternating, each once to
# warm up and then ROUNDS times. Prints the median wall times (and CPU
# times) and the ratios of ours to each peer and to the faster one
# (target: at most 1.0). Every output is checked byte for byte against the
# files packed. It only prints figures; nothing here is a test.
# Usage: tools/bench-extract.sh [ROUNDS]   (default 5)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
rounds=${1:-5}
bash tools/build.sh bench >/dev/null
. tools/bench-corpus.sh
corpus=build/bench/corpus
make_bench_corpus "$corpus"

# In memory where it can be, so the disk's write-back of one run does not
# land on the next.
work=/dev/shm/kit-bench-extract.$$
[ -d /dev/shm ] || work="$root/build/bench/extract.$$"
rm -rf "$work"
mkdir -p "$work/files"
trap 'rm -rf "$work"' EXIT

python3 - "$corpus" "$work/files/corpus" <<'PY'
import os, random, sys
src, out = sys.argv[1], sys.argv[2]
data = b''.join(open(os.path.join(src, n), 'rb').read() for n in ('text.txt', 'binary.bin', 'random.bin'))
rng = random.Random(20261209)
sizes = [('small', rng.randint(100, 8192)) for _ in range(3000)]
sizes += [('medium', rng.randint(16 << 10, 256 << 10)) for _ in range(60)]
rng.shuffle(sizes)
# Whatever is left goes into a few large files among them.
rest = len(data) - sum(s for _, s in sizes)
for i in range(4):
    sizes.insert(rng.randrange(len(sizes)), ('large', rest // 4 + (rest % 4 if i == 3 else 0)))
at, counts = 0, {'small': 0, 'medium': 0, 'large': 0}
for kind, size in sizes:
    n = counts[kind]
    folder = os.path.join(out, 'small%02d' % (n // 100)) if kind == 'small' else os.path.join(out, kind)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, '%s%04d.dat' % (kind[0], n)), 'wb') as f:
        f.write(data[at:at + size])
    at += size
    counts[kind] += 1
print('corpus: %d files (%d small of 100 B-8 KiB, %d medium of 16-256 KiB, %d large), %d bytes'
      % (len(sizes), counts['small'], counts['medium'], counts['large'], at))
PY

packer=build/bench/tools/packer/packer
# The packer's Deflate is zlib at its default level 9, so zip packs at -9:
# the same level for both, and a decoder's speed depends on what it decodes.
(cd "$work/files" && "$root/$packer" -9 -o ../corpus.exe corpus)
(cd "$work/files" && zip -q -r -9 ../corpus.zip corpus)
echo "packer -9: $(stat -c %s "$work/corpus.exe") bytes (39,424 of them the stub area); zip -9: $(stat -c %s "$work/corpus.zip") bytes"
echo "peers: $(unzip -v | head -n1)"
echo "       $(zip -v | sed -n 2p)"
echo "       $(7z | sed -n 2p)"

python3 - "$work" "$root/$packer" "$rounds" <<'PY'
import os, resource, shutil, statistics, subprocess, sys, time
work, packer, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
tools = [
    ('packer -x', lambda out: [packer, '-x', out, os.path.join(work, 'corpus.exe')]),
    ('unzip -qq', lambda out: ['unzip', '-qq', os.path.join(work, 'corpus.zip'), '-d', out]),
    ('7z x', lambda out: ['7z', 'x', '-y', '-bd', '-o' + out, os.path.join(work, 'corpus.zip')]),
]
def run(name, command):
    out = os.path.join(work, 'out')
    shutil.rmtree(out, ignore_errors=True)
    os.mkdir(out)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command(out), check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime
    return out, wall, cpu
wall = {name: [] for name, _ in tools}
cpu = {name: [] for name, _ in tools}
for name, command in tools:  # warm-up, and the check that all three agree with the files
    out, _, _ = run(name, command)
    if subprocess.run(['diff', '-r', '-q', os.path.join(work, 'files', 'corpus'), os.path.join(out, 'corpus')]).returncode:
        sys.exit('%s: the output differs from the files packed' % name)
print('outputs: all three byte-identical to the files packed')
for _ in range(rounds):
    for name, command in tools:
        _, w, c = run(name, command)
        wall[name].append(w)
        cpu[name].append(c)
shutil.rmtree(os.path.join(work, 'out'), ignore_errors=True)
med = {name: statistics.median(wall[name]) for name in wall}
medcpu = {name: statistics.median(cpu[name]) for name in cpu}
print('median of %d rounds    wall      cpu' % rounds)
for name, _ in tools:
    print('  %-18s %6.3f s  %6.3f s' % (name, med[name], medcpu[name]))
ours, unzip, sevenz = med['packer -x'], med['unzip -qq'], med['7z x']
faster = 'unzip -qq' if unzip <= sevenz else '7z x'
print('ours/unzip %.2f   ours/7z %.2f   ours/faster (%s) %.2f   (target: at most 1.00)'
      % (ours / unzip, ours / sevenz, faster, ours / min(unzip, sevenz)))
PY
