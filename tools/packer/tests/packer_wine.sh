#!/usr/bin/env bash
# The Windows packer under Wine: packs a folder with each method and a
# password, lists and tests the result, and refuses an unreadable input.
# Usage: packer_wine.sh PACKER_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../wine-run.sh"
exe=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/in/docs/sub"
head -c 70000 /dev/zero | tr '\0' 'a' > "$tmp/in/runs.txt"
seq 1 20000 > "$tmp/in/docs/numbers.txt"
printf 'x' > "$tmp/in/docs/sub/one.txt"
: > "$tmp/in/empty.txt"
fail=0
for m in stored deflate lzh; do
    "$run" "$exe" -m "$m" -p 'pass word' --dirs -o "$tmp/$m.exe" "$tmp/in" || { echo "pack $m failed"; fail=1; continue; }
    out=$("$run" "$exe" -p 'pass word' -t "$tmp/$m.exe" | tr -d '\r')
    echo "$out"
    [ "$(grep -c ": ok" <<<"$out")" = 7 ] || { echo "test $m: expected 7 good entries (3 folders, 4 files)"; fail=1; }
    "$run" "$exe" -l "$tmp/$m.exe" | tr -d '\r' | grep -q 'in\\docs\\sub\\one.txt' || { echo "list $m: path missing"; fail=1; }
done
# Names in the system's ANSI code page (949 in our Wine session), shown back
# as such; a character outside it is refused.
mkdir -p "$tmp/kr/문서"
printf 'guide' >"$tmp/kr/문서/안내.txt"
"$run" "$exe" -o "$tmp/kr.exe" "$tmp/kr" || { echo "pack Korean names failed"; fail=1; }
"$run" "$exe" -l "$tmp/kr.exe" | iconv -f CP949 -t UTF-8 | grep -qF 'kr\문서\안내.txt' ||
    { echo "list: Korean name not in code page 949"; fail=1; }
printf 'x' >"$tmp/kr/café.txt"
if "$run" "$exe" -o "$tmp/kr2.exe" "$tmp/kr" 2>"$tmp/err"; then
    echo "a name outside the code page was accepted"; fail=1
fi
grep -q "cannot be written in code page 949" "$tmp/err" || { echo "no clear error for café.txt"; cat "$tmp/err"; fail=1; }
if "$run" "$exe" -o "$tmp/x.exe" "$tmp/missing" 2>"$tmp/err"; then
    echo "a missing input was accepted"; fail=1
fi
grep -q "cannot read" "$tmp/err" || { echo "no clear error for a missing input"; cat "$tmp/err"; fail=1; }
exit $fail
