#!/usr/bin/env bash
# Makes the test archives with Debian's rar into the folder given, from files
# with fixed contents and times. Prints rar's version and keeps it beside the
# archives (rar-version.txt) so a test log names the tool that made them.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=$1
rm -rf "$out.tmp"
mkdir -p "$out.tmp/src"
cd "$out.tmp/src"

version=$(rar 2>&1 | sed -n 's/^RAR \([0-9.]*\).*/\1/p' | head -n1)
echo "test archives made with rar $version"

python3 - <<'PY'
import os, random
r = random.Random(20241207)
os.makedirs("bin", exist_ok=True)
os.makedirs("docs/empty", exist_ok=True)
open("readme.txt", "w").write("Read me first.\n")
# Incompressible, and big enough for the library to hand it over in several blocks.
open("bin/app.exe", "wb").write(r.randbytes(300000))
open("bin/app.exe.bak", "wb").write(b"old\n" * 1000)
open("APP.EXE", "wb").write(b"top level\n")
open("big.dat", "wb").write(r.randbytes(200000))
# Past the library's 4 MiB write window, yet small once packed.
open("large.txt", "w").write("".join("line %d\n" % i for i in range(600000)))
PY
find . -exec touch -h -d '2024-01-02 03:04:05' {} +
printf 'Product archive\r\nsecond line' > ../comment.txt
files="readme.txt bin/app.exe bin/app.exe.bak APP.EXE docs/empty"

q() { rar "$@" -idq -y >/dev/null; }
q a ../plain.rar $files
q a -z../comment.txt ../comment.rar readme.txt
q a -psecret ../encrypted.rar readme.txt bin/app.exe.bak
q a -hpsecret ../hidden.rar readme.txt
q a ../large.rar large.txt
q a -m0 -v100k ../vol.rar big.dat readme.txt
# Names that code page 949 cannot spell exactly: a best-fit conversion makes
# cafe.txt, Data\uni.dat and a\b.txt of them.
mkdir -p Data
printf 'plain\r\n' > plain.txt
printf 'new 1' > café.txt
printf 'new 2' > Data/ünï.dat
printf 'new 3' > a₩b.txt
q a ../lookalike.rar plain.txt café.txt Data/ünï.dat a₩b.txt

cd ..
# Damaged copies: one data byte and one header byte turned over. The data byte
# lies well inside app.exe's stored bytes; the header byte is inside the first
# file header (past the 8-byte signature and the main header).
cp plain.rar baddata.rar
python3 - <<'PY'
def flip(name, pos):
    b = bytearray(open(name, "rb").read())
    b[pos] ^= 0xFF
    open(name, "wb").write(b)
data = open("plain.rar", "rb").read()
flip("baddata.rar", len(data) // 2)
hdr = bytearray(data)
open("badheader.rar", "wb").write(hdr)
flip("badheader.rar", 30)
open("truncated.rar", "wb").write(data[: len(data) // 3])
# Cut inside the header of the entry that follows the big one.
open("cutheader.rar", "wb").write(data[: data.index(b"bin/app.exe.bak") - 4])
PY
cp vol.part1.rar lonely.part1.rar
# Entries that would leave the target, in RAR5 and RAR4.
mkdir hostile
(cd hostile && python3 "$here/hostile-archives.py" ..)
rm -rf hostile
echo "$version" > rar-version.txt
rm -rf src comment.txt
cd ..
rm -rf "$out"
mv "$out.tmp" "$out"
