#!/usr/bin/env bash
# Builds the benchmark build, makes the reproducible 32 MB corpus
# (tools/bench-corpus.sh), runs kit_bench on it and compares the
# packer's output size with zip -9 and jlha (the LHA compressor; lhasa only
# decompresses).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/build.sh bench >/dev/null
corpus=build/bench/corpus
. tools/bench-corpus.sh
make_bench_corpus "$corpus"
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
