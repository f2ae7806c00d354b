#!/usr/bin/env bash
# The kit's main job, on its sample product: builds everything, makes the
# distribution and its self-extracting file, then under Wine lets the
# self-extractor unpack the distribution, setup install it and VlUnInst
# remove it.
#
# With a display (DISPLAY set) the windows appear there for a person to click
# through. Without one (or with KIT_DEMO_HEADLESS=1) an Xvfb display is used
# and tools/uidriver plays the user; a screenshot of every screen is saved.
# KIT_DEMO_SIGN=1 also signs the distribution with a throwaway certificate
# and verifies each signed file. KIT_DEMO_DOCS=1 (headless) also puts the
# README's pictures of the screens into docs/screens, cut to the windows.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/install-deps.sh || { echo "installing dependencies failed" >&2; exit 1; }
. tools/wine-env.sh
bash tools/build.sh native win32 "win$KIT_WINE_BITS" || exit 1
bin="build/win$KIT_WINE_BITS/bin"
demo=build/demo
shots=$demo/screens
interactive=""
[ -n "${DISPLAY:-}" ] && [ -z "${KIT_DEMO_HEADLESS:-}" ] && interactive=$DISPLAY

rm -rf "$demo"
mkdir -p "$demo" "$shots"

# --- the vendor's side: product folder, distribution, self-extracting file
cp -r samples/varnel/product "$demo/product"
python3 - "$demo/product/DATA" <<'PY'
import random, sys
r = random.Random(7)
words = ['varnel', 'archive', 'lzh', 'rar', 'zip', 'deflate', 'setup']
open(sys.argv[1] + '/words.txt', 'w').write(
    '\n'.join(' '.join(r.choice(words) for _ in range(12)) for _ in range(3000)) + '\n')
open(sys.argv[1] + '/sample.dat', 'wb').write(bytes(r.getrandbits(8) for _ in range(200000)))
PY
# For docs/screens: one entry large enough to be caught with its bar part-way
# (sixteen symbols at random: it packs to half, and unpacks slowly enough).
if [ -n "${KIT_DEMO_DOCS:-}" ]; then
    python3 -c 'import random, sys
r = random.Random(8)
table = bytes(b"abcdefghijklmnop"[i % 16] for i in range(256))
with open(sys.argv[1], "wb") as f:
    for _ in range(160):
        f.write(r.randbytes(1 << 20).translate(table))' "$demo/product/DATA/large.dat"
fi
cp "$bin/Varnel.exe" "$bin/VarShell.dll" "$demo/product/PROGRAM/"

# The stub this Wine can run: the shipped i686 one, or its x86_64 twin.
stub="$bin/selfext.exe"
stub_size=$(stat -c %s "$stub")
# KIT_DEMO_SIGN=1: a throwaway code-signing certificate, made here and kept
# only under build/demo, signs the distribution as a vendor's would.
sign=()
if [ -n "${KIT_DEMO_SIGN:-}" ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=Varnel demo signer" \
        -addext "extendedKeyUsage=codeSigning" \
        -keyout "$demo/demo-key.pem" -out "$demo/demo-cert.pem" 2>/dev/null || exit 1
    sign=(--sign-cert "$demo/demo-cert.pem" --sign-key "$demo/demo-key.pem")
fi
echo "== making the distribution and VarnelSetup.exe"
# --run setup.exe: the one file installs (the stub starts setup once unpacked).
build/native/tools/distbuild/mkdist --kit "$bin" --sfx "$demo/VarnelSetup.exe" --run setup.exe "${sign[@]}" \
    --packer build/native/tools/packer/packer --stub "$stub" \
    --packer-arg --stub-size --packer-arg "$stub_size" \
    "$demo/product" "$demo/dist" || exit 1
if [ -n "${KIT_DEMO_SIGN:-}" ]; then
    echo "== verifying the signatures against the demo certificate"
    for f in "$demo/dist/setup.exe" "$demo/dist/VlUnInst.exe" "$demo/dist/UNRAR.DLL" "$demo/VarnelSetup.exe"; do
        echo "-- $f"
        osslsigncode verify -CAfile "$demo/demo-cert.pem" -in "$f" 2>&1 \
            | grep -E 'Signer|Subject:|Message digest|Signature verification|Succeeded|Failed' || exit 1
    done
fi

# --- the user's side, under Wine
export KIT_WINE_STATE="$root/$demo/wine"
[ -n "$interactive" ] && export KIT_USE_DISPLAY=$interactive
trap 'tools/wine-session.sh stop >/dev/null 2>&1' EXIT
tools/wine-session.sh start || exit 1
. tools/scenario-lib.sh
mkdir -p "$C/Downloads"
cp "$demo/VarnelSetup.exe" "$C/Downloads/"
uidriver="$root/$bin/uidriver.exe"
n=0
# Numbered, so the pictures sort in the order they were taken; none while a
# person is at the display.
snap() {
    [ -n "$interactive" ] && return
    n=$((n + 1))
    sleep 0.2
    shot "$(printf '%02d' $n)-$1"
}
fail() { echo "demo: $*" >&2; exit 1; }
# For docs/screens: the whole screen ten times a second while the install
# runs, since one uidriver call under Wine outlasts most entries.
burst_start() {
    [ -n "${KIT_DEMO_DOCS:-}" ] && [ -z "$interactive" ] || return 0
    mkdir -p "$demo/burst"
    (
        i=0
        while [ ! -e "$demo/burst/stop" ] && [ "$i" -lt 600 ]; do
            i=$((i + 1))
            import -display "$DISPLAY" -window root "$demo/burst/$(printf '%04d' "$i").png" 2>/dev/null
            sleep 0.1
        done
    ) &
    burst=$!
}
burst_end() {
    [ -n "${burst:-}" ] || return 0
    touch "$demo/burst/stop"
    wait "$burst"
}
listing() {  # what a folder holds, relative to it
    (cd "$1" 2>/dev/null && find . -mindepth 1 | sed 's|^\./|  |' | LC_ALL=C sort)
}
title="Varnel 2.0 설치"
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnel 2.0'
app="$C/Program Files/Varnel"

# Processes of this session's Wine whose command line matches the pattern
# (case ignored). Setup is started by the stub and regsvr32 by setup, so the
# demo cannot wait for them as its own children; another Wine on this
# machine may run the same programs, hence the prefix test.
session_pids() {
    local p
    for p in $(pgrep -i -f -- "$1"); do
        tr '\0' '\n' 2>/dev/null <"/proc/$p/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
    done
}
# Waits up to SECONDS until none of them is left.
ended() {
    local i
    for i in $(seq $(($2 * 2))); do
        [ -z "$(session_pids "$1")" ] && return 0
        sleep 0.5
    done
    return 1
}
# reg.exe fails on a key that is not there.
has_key() { "$KIT_WINE" reg query "$1" >/dev/null 2>&1; }
# Setup's and the uninstaller's exit codes from their own lists, and the
# stub's, which setup's pass through.
exitcodes=build/native/tools/exitcodes/exitcodes
setup_meaning() {
    case $1 in
        101) echo "the self-extractor refused its command line" ;;
        102) echo "the self-extractor cannot read its archive" ;;
        103) echo "an encrypted entry and no right password" ;;
        104) echo "an entry could not be unpacked; setup was not started" ;;
        105) echo "setup could not be started or awaited" ;;
        106) echo "the self-extractor could not make its private folder" ;;
        255) echo "not started, or still running when the demo stopped waiting" ;;
        *) "$exitcodes" setup "$1" || echo "not a code of setup or the self-extractor" ;;
    esac
}
uninst_meaning() {
    case $1 in
        255) echo "not started, or still running when the demo stopped waiting" ;;
        *) "$exitcodes" uninst "$1" || echo "not a code of the uninstaller" ;;
    esac
}
# Prints a run log, indented, after checking the promised form: UTF-8 text
# whose every line ends in CR LF, and "result: CODE ..." last with the code
# the program exited with.
show_runlog() {
    local file=$1 name=$2 code=$3
    [ -s "$file" ] || { bad "no run log at $name"; return; }
    iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1 || bad "$name is not UTF-8"
    if ! LC_ALL=C awk '!/\r$/ { n++ } END { exit n > 0 }' "$file" ||
        [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' \n')" != 0d0a ]; then
        bad "$name has lines that do not end in CR LF"
    fi
    tr -d '\r' <"$file" | sed 's/^/  /'
    local last
    last=$(tail -n 1 "$file" | tr -d '\r')
    # Wine hands Linux only the low byte of the code the log names in full.
    local logged=${last#result: }
    logged=${logged%% *}
    case "$last" in
        "result: "[0-9]*) [ $((logged % 256)) -eq "$code" ] && ok "$name ends in the exit code: $last" ||
            bad "$name ends in '$last', not exit code $code" ;;
        *) bad "$name ends in '$last', not result: $code" ;;
    esac
}

if [ -n "$interactive" ]; then
    echo "== 1/3 Unpack: choose C:\\VarnelSetup as Extract Path and press Extract;"
    echo "   the file then starts setup from there and closes by itself."
    "$KIT_WINE" 'C:\Downloads\VarnelSetup.exe'
    [ -f "$C/VarnelSetup/setup.exe" ] || fail "nothing was unpacked to C:\\VarnelSetup"
    ui gone "Self Extract" 5 >/dev/null || fail "the self-extractor's window stayed"
    echo "== 2/3 Install: the wizard has opened by itself; go through it and close it on its last page."
    # Not the wizard's title: a quick person may be past its first page.
    for _ in $(seq 60); do [ -n "$(session_pids 'VarnelSetup\\setup\.exe')" ] && break; sleep 0.5; done
    [ -n "$(session_pids 'VarnelSetup\\setup\.exe')" ] || fail "setup did not start after the extraction"
    ended 'VarnelSetup\\setup\.exe' 3600 || fail "the wizard is still open after an hour"
    ended 'regsvr32' 60 || fail "the shell extension's registration did not end"
    cmd=$(regval "$uninst_key" UninstallString)
    [ -n "$cmd" ] || fail "no uninstall entry: the install did not finish"
    echo "== 3/3 Remove: answer the uninstaller's question."
    "$KIT_WINE" "$uidriver" run "$cmd" 600
else
    # 1. The self-extractor unpacks the distribution and starts setup.
    echo "== 1/3 selfext unpacks the distribution and starts setup"
    "$KIT_WINE" 'C:\Downloads\VarnelSetup.exe' & pid=$!
    ui wait "Self Extract" 30 >/dev/null || fail "the self-extractor did not open"
    ui settext "Self Extract" 101 'C:\VarnelSetup'
    snap selfext-main
    ui click "Self Extract" Extract || fail "no Extract button"
    # A clean pass closes the dialog, status line and all, once setup runs:
    # the wizard's window is what tells that the pass succeeded.
    ui wait "$title" 60 >/dev/null || fail "setup did not start after the extraction"
    ui gone "Self Extract" 10 >/dev/null || fail "the self-extractor's window stayed"
    wait_pid $pid
    rc=$?
    [ "$rc" -eq 0 ] || fail "the self-extractor did not end cleanly (exit code $rc)"
    echo "selfext: started setup and closed (exit code 0)"
    echo "unpacked into C:\\VarnelSetup:"
    listing "$C/VarnelSetup"
    [ -f "$C/VarnelSetup/setup.exe" ] || fail "setup.exe was not unpacked"

    # 2. The wizard the stub started installs the product: every page, then
    # finish without restarting.
    echo "== 2/3 setup, started by selfext, installs the product"
    snap wizard-welcome
    ui click "$title" "다음(N) >" && ui wait "설치 경로" 10 >/dev/null || fail "no page 2"
    snap wizard-directory
    ui click "설치 경로" "찾아보기(P)" && ui wait "선택" 10 >/dev/null && {
        snap wizard-chooser
        ui click "선택" "취소"
        ui gone "선택" 10 >/dev/null
    }
    ui click "설치 경로" "다음(N) >" && ui wait "설치 시작" 10 >/dev/null || fail "no page 3"
    snap wizard-summary
    ui click "설치 시작" "다음(N) >"
    burst_start
    ui wait "설치" 5 >/dev/null && snap install-progress
    ui wait "설치 완료" 180 >/dev/null || fail "the install did not finish"
    burst_end
    snap wizard-finished
    ui check "설치 완료" 1005 0
    ui click "설치 완료" "종료"
    ended 'VarnelSetup\\setup\.exe' 60 || fail "setup did not end after its last page"
    ended 'regsvr32' 60 || fail "the shell extension's registration did not end"

    # 3. VlUnInst removes it, started as the installed-programs list starts it.
    cmd=$(regval "$uninst_key" UninstallString)
    [ -n "$cmd" ] || fail "no uninstall entry was written"
    echo "== 3/3 VlUnInst removes the product: $cmd"
    echo "installed into C:\\Program Files\\Varnel:"
    listing "$app"
    echo "INSTALL.LOG:"
    iconv -f CP949 -t UTF-8 "$app/INSTALL.LOG" | tr -d '\r' | sed 's/^/  /'
    echo "uninstall entry: $(regval "$uninst_key" DisplayName) -> $cmd"
    # The uninstaller's hidden command interpreter writes to our terminal under Wine.
    ( ui run "$cmd" 120 >/dev/null 2>&1 ) & pid=$!
    ui wait "프로그램삭제" 30 >/dev/null || fail "the uninstaller did not ask"
    snap uninstall-question
    ui clickid "프로그램삭제" 6
    ui wait "완료" 60 >/dev/null || fail "the uninstaller did not finish"
    snap uninstall-done
    ui key "완료" RETURN
    wait $pid
    sleep 3
    echo "left in C:\\Program Files\\Varnel after the uninstall (files the log does not list):"
    listing "$app"
    [ -z "$(regval "$uninst_key" DisplayName)" ] && echo "uninstall entry: removed"
fi

# --- the same product installed and removed unattended: no window, no click
echo
echo "== Unattended: one command installs, the entry's quiet command removes"
rm -f "$C/varnel.log" "$C/varnel-remove.log"
run='C:\Downloads\VarnelSetup.exe /S -- /VERYSILENT /LOG="C:\varnel.log"'
echo "-- install: $run"
# Every visible window that shows up while it runs, beside those already
# there, is named: there must be none.
ui list 2>/dev/null | tr -d "\r" | cut -f2,3 | LC_ALL=C sort -u >"$demo/windows-before.txt"
: >"$demo/windows-during.txt"
ui run "$run" 300 >"$demo/unattended-install.out" 2>&1 & pid=$!
while kill -0 $pid 2>/dev/null; do
    ui list 2>/dev/null | tr -d "\r" | cut -f2,3 >>"$demo/windows-during.txt"
    sleep 1
done
wait $pid
rc=$?
windows=$(LC_ALL=C sort -u "$demo/windows-during.txt" | LC_ALL=C comm -13 "$demo/windows-before.txt" -)
echo "exit code: $rc ($(setup_meaning $rc))"
case $rc in
    0 | $((3010 % 256))) ok "installed" ;;
    *) cat "$demo/unattended-install.out"; bad "the unattended install did not install" ;;
esac
if [ -z "$windows" ]; then ok "no window appeared"; else bad "windows appeared: $(echo "$windows" | tr '\t\n' ': ')"; fi
echo "run log C:\\varnel.log:"
show_runlog "$C/varnel.log" 'C:\varnel.log' "$rc"
# Nothing below means anything without the install.
case $rc in 0 | $((3010 % 256))) ;; *) fail "the unattended install failed" ;; esac
# setup started regsvr32 for the shell extension and did not wait for it.
ended 'regsvr32' 60 || bad "the shell extension's registration did not end"
unpacked=$(tr -d '\r' <"$C/varnel.log" 2>/dev/null | sed -n 's/^script: \(.*\)\\SETUP\.INI$/\1/p')
# A folder made for this run beside %TEMP%\VarnelSetup, gone once setup ended.
case "$unpacked" in
    *'\VarnelSetup.'[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])
        if [ -e "$(unixpath "$unpacked")" ]; then
            bad "the self-extractor's private folder $unpacked stayed"
        else
            ok "the self-extractor unpacked into a private folder, $unpacked, removed after setup"
        fi ;;
    *) bad "setup did not run from a private folder of the self-extractor ('$unpacked')" ;;
esac

echo "uninstall entry, read back:"
has_key "$uninst_key" || bad "reg.exe finds no uninstall entry"
entry=$(wreg query "$uninst_key")
printf '%s\n' "$entry" | sed -n 's/^ \+\([^ ].*\)$/  \1/p'
for name in DisplayName UninstallString QuietUninstallString DisplayVersion Publisher InstallLocation \
    DisplayIcon EstimatedSize NoModify NoRepair; do
    printf '%s\n' "$entry" | grep -qE "^ +$name +REG_" || bad "the entry has no $name"
done
quiet=$(regval "$uninst_key" QuietUninstallString)
[ -n "$quiet" ] || fail "no QuietUninstallString to remove the product with"
check "$quiet" '"C:\Program Files\Varnel\VlUnInst.exe" /VERYSILENT "C:\Program Files\Varnel\INSTALL.LOG"' \
    "QuietUninstallString runs the uninstaller with no window on this install's log"

echo "installed into C:\\Program Files\\Varnel:"
listing "$app"
for f in Varnel.exe VarShell.dll VlUnInst.exe INSTALL.LOG README.TXT Data/words.txt; do stays "$app/$f"; done
# What the install log lists is what the removal must take away.
mapfile -t listed < <(iconv -f CP949 -t UTF-8 "$app/INSTALL.LOG" 2>/dev/null | tr -d '\r' |
    sed -n 's/^\(FILE\|ICON\):\(.*\)$/\2/p')
[ ${#listed[@]} -gt 0 ] || bad "INSTALL.LOG lists nothing"

remove="$quiet /LOG=\"C:\\varnel-remove.log\""
echo "-- remove: $remove"
# The uninstaller's hidden command interpreter writes to our terminal under Wine.
ui run "$remove" 120 >"$demo/unattended-remove.out" 2>&1
rc=$?
echo "exit code: $rc ($(uninst_meaning $rc))"
[ "$rc" -eq 0 ] && ok "removed" || bad "the unattended removal did not remove everything"
echo "run log C:\\varnel-remove.log:"
show_runlog "$C/varnel-remove.log" 'C:\varnel-remove.log' "$rc"
# The uninstaller deletes itself through a command interpreter that outlives it.
for _ in $(seq 40); do [ -e "$app/VlUnInst.exe" ] || break; sleep 0.5; done
left=0
for p in "${listed[@]}"; do [ -e "$(unixpath "$p")" ] && { bad "still there: $p"; left=$((left + 1)); }; done
[ "$left" -eq 0 ] && ok "every file and shortcut INSTALL.LOG listed (${#listed[@]}) is gone"
gone "$app/VlUnInst.exe"
echo "left in C:\\Program Files\\Varnel (files the install log does not list):"
listing "$app"
if has_key "$uninst_key"; then bad "the uninstall entry is still there"; else ok "uninstall entry: removed"; fi

if [ -z "$interactive" ]; then
    echo "screenshots: $root/$shots"
    ls "$shots" | sed 's/^/  /'
    if [ -n "${KIT_DEMO_DOCS:-}" ]; then
        mkdir -p docs/screens
        # The install's picture: the middle of the burst, inside the large entry.
        frames=("$demo"/burst/[0-9]*.png)
        [ -e "${frames[0]}" ] && cp "${frames[${#frames[@]} / 2]}" "$shots/99-install-progress.png"
        for s in selfext-main wizard-welcome wizard-directory wizard-summary install-progress wizard-finished \
                 uninstall-question; do
            f=$(ls "$shots"/*-"$s".png 2>/dev/null | tail -n 1)
            [ -n "$f" ] || { bad "no screenshot of $s for docs/screens"; continue; }
            # The display's empty black around the windows goes.
            convert "$f" -trim +repage -strip "docs/screens/$s.png" && echo "docs/screens/$s.png"
        done
    fi
fi
[ "$fails" -eq 0 ] || fail "$fails check(s) failed"
echo "demo finished"
