#!/usr/bin/env bash
# Makes the RAR archives the install-run tests extract, with the rar program
# of the build machine, into the folder given (beside the test programs).
#   DISK1.RAR  readme.txt, bin\app.exe, empty.dat (0 bytes), a Korean name, bin\
#   DISK2.RAR  data.txt, more\more.txt, more\
#   ZERO.RAR   zero.dat (0 bytes)
#   BROKEN.RAR first.txt, second.dat (64 KB, stored) with one byte of its data
#              changed: the first entry extracts, the second fails its check
#   VOL.partN.rar  small.txt, big.dat (64 KB, stored) in 20 KB volumes
#   HOSTILE.RAR    links5.rar of setup/rar/tests/hostile-archives.py: good1.txt,
#              then links the archive component refuses to write
#   LOOKALIKE.RAR  plain.txt, café.txt, Data\ünï.dat, a₩b.txt: names that code
#              page 949 spells only by best fit (cafe.txt, Data\uni.dat, a\b.txt)
# The tests expect the entry order that rar stores, listed by "rar lb" below.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1
rar 2>/dev/null | sed -n 2p
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out" "$work/d1/bin" "$work/d2/more" "$work/z" "$work/b" "$work/l/Data"

cd "$work/d1"
printf 'Varnel readme\r\n' > readme.txt
head -c 300000 /dev/zero | tr '\0' 'x' > bin/app.exe
: > empty.dat
printf '\xc7\xd1\xb1\xdb\r\n' > 한글.txt
rar a -idq -r -m3 "$out/DISK1.RAR" readme.txt bin empty.dat 한글.txt

cd "$work/d2"
printf 'data\r\n' > data.txt
printf 'more\r\n' > more/more.txt
rar a -idq -r "$out/DISK2.RAR" data.txt more

cd "$work/z"
: > zero.dat
rar a -idq "$out/ZERO.RAR" zero.dat

# Data of a fixed seed: the same archives on every run.
cd "$work/b"
printf 'first\r\n' > first.txt
printf 'small\r\n' > small.txt
python3 -c 'import random,sys; sys.stdout.buffer.write(random.Random(13).randbytes(65536))' > second.dat
cp second.dat big.dat
rar a -idq -m0 "$out/BROKEN.RAR" first.txt second.dat
# 20,000 bytes before the end lies inside second.dat's stored data.
python3 -c 'import sys; p=sys.argv[1]; b=bytearray(open(p,"rb").read()); b[-20000]^=0xFF; open(p,"wb").write(b)' "$out/BROKEN.RAR"
rar a -idq -m0 -v20k "$out/VOL.rar" small.txt big.dat
mkdir "$work/h" && (cd "$work/h" && python3 "$here/../../rar/tests/hostile-archives.py" "$work")
cp "$work/links5.rar" "$out/HOSTILE.RAR"
cd "$work/l"
printf 'plain\r\n' > plain.txt
printf 'new 1' > café.txt
printf 'new 2' > Data/ünï.dat
printf 'new 3' > a₩b.txt
rar a -idq "$out/LOOKALIKE.RAR" plain.txt café.txt Data/ünï.dat a₩b.txt

for a in DISK1.RAR DISK2.RAR ZERO.RAR BROKEN.RAR VOL.part1.rar HOSTILE.RAR LOOKALIKE.RAR; do echo "$a:"; rar lb "$out/$a" | sed 's/^/  /'; done
