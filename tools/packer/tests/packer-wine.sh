#!/usr/bin/env bash
# The Windows packer under Wine: packs a folder with each method and a
# password, lists and tests the result, and refuses an unreadable input.
# Usage: packer-wine.sh PACKER_EXE
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
if "$run" "$exe" -o "$tmp/x.exe" "$tmp/missing" 2>"$tmp/err"; then
    echo "a missing input was accepted"; fail=1
fi
grep -q "cannot read" "$tmp/err" || { echo "no clear error for a missing input"; cat "$tmp/err"; fail=1; }
exit $fail
