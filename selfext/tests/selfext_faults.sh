#!/usr/bin/env bash
# Plays a user under Wine against the faults a user meets first: Korean
# names packed on Linux, a pass cancelled early, damaged entries over
# existing files, a full disk, a Deflate bomb, many failed files, and very
# long folder names in the directory chooser. Each case asserts the disk
# afterwards. Needs root (it mounts a small tmpfs as a Wine drive) and the
# native packer (the native build, KIT_NATIVE), which is what mkdist --sfx runs.
# Usage: selfext_faults.sh UIDRIVER LISTPROBE SELFEXT PACKER SHOTS
set -u
here=$(cd "$(dirname "$0")" && pwd)
uidriver=$(realpath "$1") probe=$(realpath "$2") stub=$(realpath "$3") packer=$(realpath "$4")
shots=$(realpath -m "$5")
. "$here/selfext-lib.sh"
native="${KIT_NATIVE:?the build sets it}/tools/packer/packer"
[ -x "$native" ] || { echo "FAIL: no native packer at $native (bash tools/build.sh native)"; exit 1; }
mkdir -p "$shots"
work=$(mktemp -d /tmp/selfext-faults.XXXXXX)
disk="$root/build/sxdisk.$$"
cleanup() {
    drop_drive s "$disk"
    rm -rf "$work"
}
trap cleanup EXIT

leftovers() { find "$1" -name '~sx*' | wc -l; }
edit() { python3 "$here/sfx-edit.py" "$@"; }

# --- Korean names, packed on Linux -------------------------------------
k=$work/k
mkdir -p "$k/제품/문서/하위 폴더"
printf 'install\r\n' >"$k/제품/설치.txt"
printf 'guide\r\n' >"$k/제품/문서/안내.txt"
printf 'deep\r\n' >"$k/제품/문서/하위 폴더/깊은 파일.txt"
printf 'plain\r\n' >"$k/제품/readme.txt"
(cd "$k" && "$native" -s "$stub" -o ../korean.exe 제품) || bad "native packer on Korean names"
check "$(edit names "$work/korean.exe" | head -n1)" \
    "$(printf '제품\\readme.txt' | iconv -f UTF-8 -t CP949 | od -An -tx1 | tr -d ' \n')" \
    "the native packer stores names in code page 949"
mkdir -p "$work/krun"
start "$(winpath "$work/korean.exe")" "$work/krun"
check "$(P lines "$MAIN" 301 | cut -f2 | LC_ALL=C sort | tr '\n' '|')" \
    '제품\readme.txt|제품\문서\안내.txt|제품\문서\하위 폴더\깊은 파일.txt|제품\설치.txt|' \
    "the stub lists the Korean names as they were"
shot korean
ui click "$MAIN" Extract
wait_status "$PASSED"
check $? 0 "Korean names extract"
for f in 설치.txt readme.txt 문서/안내.txt "문서/하위 폴더/깊은 파일.txt"; do
    check "$(same "$k/제품/$f" "$work/krun/제품/$f")" same "제품/$f is on the drive under its own name"
done
finish "korean"

# --- Cancel early, then the folders still come out ----------------------
e=$work/e
mkdir -p "$e/docs/sub" "$work/erun"
printf 'one\r\n' >"$e/one.txt"
printf 'two\r\n' >"$e/two.txt"
printf 'a\r\n' >"$e/docs/a.txt"
printf 'b\r\n' >"$e/docs/sub/b.txt"
printf 'kept\r\n' >"$work/erun/one.txt"
(cd "$e" && run "$packer" -s "$(winpath "$stub")" -o ../early.exe one.txt two.txt docs) || bad "packer (early)"
start "$(winpath "$work/early.exe")" "$work/erun"
ui click "$MAIN" Extract
ui wait "Confirm overwrite of..." 20 >/dev/null
ui clickid Progress 3
ui click "Confirm overwrite of..." No
result | grep -q cancelled
check $? 0 "Cancel on the first file ends the pass"
check "$(P state "$MAIN" 401)" "1	1" "... and Use Stored Paths stays ticked and enabled"
shot cancelled-early
ui click "$MAIN" Extract
wait_status "$PASSED"
check $? 0 "a second pass extracts the rest"
check "$(same "$e/docs/sub/b.txt" "$work/erun/docs/sub/b.txt")" same "... into their folders"
check "$(same "$e/two.txt" "$work/erun/two.txt")" same "... and the flat ones"
check "$(tr -d '\r' <"$work/erun/one.txt")" kept "the file answered No stays"
finish "early"

# --- damaged entries over existing files; the result box names them ----
d=$work/d
mkdir -p "$d/docs/sub" "$work/drun/docs/sub"
printf 'deep inside\r\n' >"$d/docs/sub/deep.txt"
printf 'fine\r\n' >"$d/fine.txt"
for i in $(seq -w 1 12); do printf 'file number %s\r\n' "$i" >"$d/n$i.txt"; done
(cd "$d" && run "$packer" -s "$(winpath "$stub")" -m stored -o ../damaged.exe docs fine.txt n*.txt) ||
    bad "packer (damaged)"
cp "$work/damaged.exe" "$work/twelve.exe"
edit damage "$work/damaged.exe" 'docs\sub\deep.txt'
edit damage "$work/twelve.exe" $(cd "$d" && ls n*.txt)
head -c 5000 /dev/urandom >"$work/drun/docs/sub/deep.txt"
cp "$work/drun/docs/sub/deep.txt" "$work/precious"
start "$(winpath "$work/damaged.exe")" "$work/drun"
ui check "$MAIN" 501 1
ui click "$MAIN" Extract
box=$(result)
has "$box" 'docs\sub\deep.txt' "the result box names the failed file"
check "$(same "$work/precious" "$work/drun/docs/sub/deep.txt")" same \
    "Overwrite with a damaged entry leaves the existing file byte for byte"
check "$(leftovers "$work/drun")" 0 "... and no temporary file"
check "$(selected)" 'docs\sub\deep.txt ' "... and the entry highlighted"
check "$(same "$d/n07.txt" "$work/drun/n07.txt")" same "the intact entries are extracted"
finish "damaged"

mkdir -p "$work/trun"
start "$(winpath "$work/twelve.exe")" "$work/trun"
ui click "$MAIN" Extract
box=$(result)
has "$box" "$(printf 'n01.txt\nn02.txt')" "twelve failures: the box names the first"
has "$box" "n10.txt" "... up to the tenth"
check "$(grep -c '^n1[12].txt' <<<"$box")" 0 "... not the rest"
has "$box" "and 2 more" "... and counts them"
shot twelve-failed
check "$(ls "$work/trun" | tr '\n' ' ')" "docs fine.txt " "no damaged file written"
finish "twelve"

# --- a full disk and a Deflate bomb, on a 1 MB drive --------------------
mkdir -p "$work/s"
tmpfs_drive s 1m "$disk" || { bad "cannot mount a tmpfs"; exit 1; }
head -c 1100000 /dev/urandom >"$work/s/big.bin"
head -c 1000000 /dev/zero >"$work/s/bomb.bin"
printf 'small\r\n' >"$work/s/small.txt"
(cd "$work/s" && run "$packer" -s "$(winpath "$stub")" -m stored -o ../big.exe big.bin &&
    run "$packer" -s "$(winpath "$stub")" -o ../bomb.exe bomb.bin small.txt) || bad "packer (disk)"
# The bomb: about 1 KB that inflates to 1,000,000 bytes, declared as 1,000.
edit declare "$work/bomb.exe" bomb.bin 1000
head -c 300000 /dev/urandom >"$disk/big.bin"
cp "$disk/big.bin" "$work/precious"
start "$(winpath "$work/big.exe")" "$work/s"
ui settext "$MAIN" 101 'S:\'
ui check "$MAIN" 501 1
ui click "$MAIN" Extract
has "$(result)" "big.bin" "a file larger than the whole disk fails"
check "$(same "$work/precious" "$disk/big.bin")" same "... and the existing file stays byte for byte"
check "$(leftovers "$disk")" 0 "... with no temporary file left"
finish "full disk"
start "$(winpath "$work/bomb.exe")" "$work/s"
ui settext "$MAIN" 101 'S:\'
ui click "$MAIN" Extract
box=$(result)
has "$box" "bomb.bin" "a Deflate entry inflating past its declared size fails"
check "$(selected)" "bomb.bin " "... only that one"
gone "$disk/bomb.bin"
check "$(leftovers "$disk")" 0 "... with no temporary file left"
check "$(tr -d '\r' <"$disk/small.txt")" small "the next entry is extracted"
finish "bomb"

# --- very long folder names in the directory chooser --------------------
# 250 bytes in code page 949 (five Hangul syllables and 240 letters); a
# folder name on this machine's disk holds at most 255 bytes of UTF-8, so
# the longer lines, as a Windows disk could hold them, are added to the
# chooser's list the way the listing call adds them.
long="한글이름입$(printf 'a%.0s' $(seq 240))"
mkdir -p "$work/pick/$long"
mkdir -p "$work/crun"
start "$(winpath "$work/big.exe")" "$work/crun"
ui settext "$MAIN" 101 "$(winpath "$work/pick")"
ui click "$MAIN" "..."
ui wait "Select extract directory" 20 >/dev/null
P lines "Select extract directory" 2003 | grep -qF "[$long]"
check $? 0 "the chooser lists a folder with a 250-byte name"
for n in 145 200 255; do
    P add "Select extract directory" 2003 "[$(printf '가%.0s' $(seq "$n"))]"
done
# A fault while drawing them would take the window with it.
ui gone "Select extract directory" 2 >/dev/null
check $? 1 "... and draws lines of 292, 402 and 512 bytes without a fault"
shot chooser-long-names
kill -0 "$app" 2>/dev/null
check $? 0 "... the stub still runs"
ui click "Select extract directory" Cancel
ui gone "Select extract directory" 10
finish "chooser"

echo "screenshots in $shots"
end_checks
