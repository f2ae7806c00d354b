#!/usr/bin/env bash
# mkdist refuses what setup would refuse to install: a file whose name code
# page 949 cannot spell, in a folder it archives or in an archive handed to it
# ready-made; it names the file and leaves no distribution behind.
# Usage: mkdist_names.sh MKDIST
set -u
mkdist=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
check() {  # what, condition
    if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

mkdir -p "$work/kit" "$work/p/PROGRAM/Data"
for f in setup.exe UNRAR.DLL VlUnInst.exe; do echo "$f" >"$work/kit/$f"; done
printf '[APP]\nNAME=V\nINSTALLDIR=C:\\V\n[FILES]\nFILE1=PROGRAM.RAR,<INSTALLDIR>\nFILE2=READY.RAR,<INSTALLDIR>\n' \
    >"$work/p/SETUP.INI"
echo app >"$work/p/PROGRAM/app.exe"
echo 한글 >"$work/p/PROGRAM/Data/한글.txt"
(cd "$work" && mkdir r && echo r >r/ready.txt && cd r && rar a -idq ../p/READY.RAR ready.txt)

run() { "$mkdist" --kit "$work/kit" "$work/p" "$work/out" >"$work/log" 2>&1; }
run
check "names code page 949 spells are archived" '[ $? -eq 0 ] && [ -f "$work/out/PROGRAM.RAR" ]'
rm -rf "$work/out"

echo mine >"$work/p/PROGRAM/Data/ünï.dat"
run
rc=$?
check "a folder with ünï.dat is refused, the file named" \
    '[ $rc -ne 0 ] && grep -q "PROGRAM.RAR (made from .*PROGRAM): setup would refuse the entry \"Data/?n?.dat\"" "$work/log"'
check "no distribution is left" '[ ! -e "$work/out" ] && [ ! -e "$work/out.partial" ]'
rm "$work/p/PROGRAM/Data/ünï.dat"

(cd "$work/r" && echo w >a₩b.txt && rar a -idq ../p/READY.RAR a₩b.txt)
run
rc=$?
check "a ready-made archive with a₩b.txt is refused" \
    '[ $rc -ne 0 ] && grep -q "READY.RAR: setup would refuse the entry \"a?b.txt\"" "$work/log"'
check "no distribution is left after it" '[ ! -e "$work/out" ] && [ ! -e "$work/out.partial" ]'
[ $failures -eq 0 ] || { cat "$work/log"; exit 1; }
