# The benchmarks' reproducible 32 MB corpus, sourced by tools/bench*.sh:
# text from a fixed-seed generator, the first 13 MB of this machine's
# /usr/bin programs in name order, fixed-seed random bytes.
# make_bench_corpus DIR fills DIR with text.txt, binary.bin and random.bin
# unless they are there.
make_bench_corpus() {
    local corpus=$1
    mkdir -p "$corpus"
    [ -s "$corpus/random.bin" ] && return 0
    python3 - "$corpus" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(20261207)
words = [''.join(rng.choice('etaoinshrdlucmfwypvbgkjqxz') for _ in range(rng.randint(1, 10)))
         for _ in range(5000)]
weights = [1.0 / (i + 1) for i in range(len(words))]
parts, size = [], 0
while size < 13_000_000:
    line = ' '.join(rng.choices(words, weights, k=rng.randint(4, 14))).capitalize() + '.\r\n'
    parts.append(line); size += len(line)
open(os.path.join(out, 'text.txt'), 'w').write(''.join(parts)[:13_000_000])
data = bytearray()
for name in sorted(os.listdir('/usr/bin')):
    p = os.path.join('/usr/bin', name)
    if os.path.isfile(p) and not os.path.islink(p):
        data += open(p, 'rb').read()
    if len(data) >= 13_000_000: break
open(os.path.join(out, 'binary.bin'), 'wb').write(bytes(data[:13_000_000]))
open(os.path.join(out, 'random.bin'), 'wb').write(rng.randbytes(6_000_000))
PY
}
