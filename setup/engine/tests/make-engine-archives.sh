#!/usr/bin/env bash
# Makes the RAR archives the install-run tests extract, with the rar program
# of the build machine, into the folder given (beside the test programs).
#   DISK1.RAR  readme.txt, bin\app.exe, empty.dat (0 bytes), a Korean name, bin\
#   DISK2.RAR  data.txt, more\more.txt, more\
#   ZERO.RAR   zero.dat (0 bytes)
# The tests expect the entry order that rar stores, listed by "rar lb" below.
set -euo pipefail
out=$1
rar 2>/dev/null | sed -n 2p
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out" "$work/d1/bin" "$work/d2/more" "$work/z"

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

for a in DISK1 DISK2 ZERO; do echo "$a.RAR:"; rar lb "$out/$a.RAR" | sed 's/^/  /'; done
