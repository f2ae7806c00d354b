#!/usr/bin/env bash
# Builds the benchmark build, makes a reproducible 32 MB corpus (text from a
# fixed-seed generator, the first 13 MB of this machine's /usr/bin programs in
# name order, fixed-seed random bytes), runs kit_bench on it and compares the
# packer's output size with zip -9 and jlha (the LHA compressor; lhasa only
# decompresses).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/build.sh bench >/dev/null
corpus=build/bench/corpus
mkdir -p "$corpus"
if [ ! -s "$corpus/random.bin" ]; then
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
fi
files=("$corpus/text.txt" "$corpus/binary.bin" "$corpus/random.bin")
build/bench/selfext/archive/kit_bench "${files[@]}"

echo "== archive sizes of the whole corpus (smaller is better)"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "${files[@]}" "$tmp/"
total=$(cat "${files[@]}" | wc -c)
size() { awk -v n="$1" -v s="$2" -v t="$total" 'BEGIN { printf "%-28s %10d bytes  %5.1f%%\n", n, s, 100 * s / t }'; }
for m in deflate lzh; do
    build/bench/tools/packer/packer --stub-size 0 -m "$m" -o "$tmp/p.$m" "$tmp/text.txt" "$tmp/binary.bin" "$tmp/random.bin"
    size "packer -m $m" "$(stat -c %s "$tmp/p.$m")"
done
(cd "$tmp" && zip -9 -q z.zip text.txt binary.bin random.bin)
size "zip -9" "$(stat -c %s "$tmp/z.zip")"
(cd "$tmp" && jlha ao5q j.lzh text.txt binary.bin random.bin >/dev/null 2>&1)
size "jlha -lh5-" "$(stat -c %s "$tmp/j.lzh")"
