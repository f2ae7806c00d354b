#!/usr/bin/env bash
# Unattended installs of the sample product under Wine, as an administrator's
# script runs them: setup.exe with its switches, and the one file made by
# mkdist --sfx --run installing with /S -- /VERYSILENT; each install then
# removed by the entry's QuietUninstallString. Each case checks the exit code, the run log (UTF-8),
# the disk and the registry. A box nobody answers would hold a run until
# uidriver's time runs out, so runs meant to show none fail then.
# Usage: setup_silent.sh MKDIST KIT_BIN PACKER STUB UIDRIVER REGTOOL
set -u
mkdist=$1 kit=$2 packer=$3 stub=$4 uidriver=$5 regtool=$6
. "$(dirname "$0")/../../uninst/tests/scenario-lib.sh"
entry="$UNINST\\Varnel 2.0"
work=$KIT_WINE_STATE/silent-product

cleanup() {
    rm -rf "$work" "$C/sdist" "$C/sdist2" "$C/slogs" "$C/Silent Dir" "$C/Program Files/Varnel" \
        "$C/Wiz Dir" "$C/Downloads/VarnelSetup.exe" "$C/other.tmp"
    wreg delete "$entry" /f >/dev/null
    wreg delete "$SESSION" /v PendingFileRenameOperations /f >/dev/null
}
trap cleanup EXIT
cleanup
# The sample product, as the demo ships it.
mkdir -p "$work" "$C/slogs" "$C/Downloads"
cp -r "$(dirname "$0")/../../samples/varnel/product" "$work/product"
cp "$kit/Varnel.exe" "$kit/VarShell.dll" "$work/product/PROGRAM/"
"$mkdist" --kit "$kit" --sfx "$C/Downloads/VarnelSetup.exe" --run setup.exe --packer "$packer" --stub "$stub" \
    "$work/product" "$C/sdist" >"$work/mkdist.log" 2>&1
check $? 0 "mkdist makes the distribution and the one file that installs"

runlog() { iconv -f UTF-8 -t UTF-8 <"$C/slogs/$1" >/dev/null || echo "not UTF-8"; tr -d '\r' <"$C/slogs/$1"; }
programs=$(regval 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Programs)
group=$("$KIT_WINE" winepath -u "$programs\\Varnel 2.0" 2>/dev/null)
dword() { wreg query "$entry" /v "$1" | sed -n 's/.*REG_DWORD *//p'; }

# installed DIR: the product is in DIR with its shortcuts and a full entry.
installed() {
    local d
    d=$(unixpath "$1")
    for f in Varnel.exe VarShell.dll Docs/HISTORY.TXT Data/empty.cfg README.TXT INSTALL.LOG VlUnInst.exe; do
        stays "$d/$f"
    done
    stays "$group/Varnel.LNK"
    stays "$group/Varnel 제거.LNK"
    check "$(regval "$entry" DisplayName)" "Varnel 2.0" "DisplayName"
    check "$(regval "$entry" UninstallString)" "\"$1\\VlUnInst.exe\" \"$1\\INSTALL.LOG\"" "UninstallString"
    check "$(regval "$entry" QuietUninstallString)" "\"$1\\VlUnInst.exe\" /VERYSILENT \"$1\\INSTALL.LOG\"" \
        "QuietUninstallString"
    check "$(regval "$entry" DisplayVersion)" 2.0 "DisplayVersion"
    check "$(regval "$entry" Publisher)" Tessaro "Publisher"
    check "$(regval "$entry" InstallLocation)" "$1" "InstallLocation"
    check "$(regval "$entry" DisplayIcon)" "$1\\Varnel.exe" "DisplayIcon: the product's program"
    case "$(dword EstimatedSize)" in 0x[1-9]*) ok "EstimatedSize $(dword EstimatedSize)" ;; *) bad "EstimatedSize" ;; esac
    check "$(dword NoModify)/$(dword NoRepair)" 0x1/0x1 "NoModify, NoRepair"
}
# removed DIR LOG: the quiet uninstall command of the entry, with a run log.
removed() {
    local cmd
    cmd=$(regval "$entry" QuietUninstallString)
    start "$cmd /LOG=\"C:\\slogs\\$2\""
    finish; check "$RC" 0 "the quiet uninstall removes the product"
    has "$(runlog "$2")" "result: 0 removed" "its run log"
    for f in Varnel.exe VarShell.dll Docs Data INSTALL.LOG; do gone "$(unixpath "$1")/$f"; done
    # A copied single file is not in the install log, so it stays.
    stays "$(unixpath "$1")/README.TXT"
    rm -rf "$(unixpath "$1")"
    gone "$group/Varnel.LNK"
    check "$(wreg query "$entry" 2>/dev/null | grep -c DisplayName)" 0 "the entry is gone"
}

echo "== setup /VERYSILENT /DIR= /LOG=: installed with nothing on the screen"
# An uninstall before it left its program to be deleted at the restart,
# beside a request of someone else's.
python3 -c 'import sys; sys.stdout.write(",".join("%02x" % b for b in
    b"\\??\\C:\\Silent Dir\\Varnel.exe\0\0\\??\\C:\\Silent Dir\0\0\\??\\C:\\other.tmp\0\0\0"))' \
    >"$work/pending.hex"
echo other >"$C/other.tmp"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager]\r\n"PendingFileRenameOperations"=hex(7):%s\r\n\r\n' \
    "$(cat "$work/pending.hex")" >"$C/slogs/pending.reg"
wreg import 'C:\slogs\pending.reg' >/dev/null
has "$(rt get "$SESSION" PendingFileRenameOperations)" 'Silent Dir\Varnel.exe' "a deletion at restart is pending"
# A program named regsvr32.exe planted beside setup, as in a download folder:
# it leaves runprobe.txt in its current folder if it ever runs.
cp "$kit/runprobe.exe" "$C/sdist/regsvr32.exe"
start "\"C:\\sdist\\setup.exe\" /verysilent /DIR=\"C:\\Silent Dir\\\" /LOG=\"C:\\slogs\\direct 1.log\""
finish; check "$RC" "$RC_RESTART" "exit code 3010: installed, the restart still to come"
check "$(find "$C" -name runprobe.txt 2>/dev/null | head -n 3)" "" "the regsvr32.exe beside setup never ran"
rm -f "$C/sdist/regsvr32.exe"
installed 'C:\Silent Dir'
pending=$(rt get "$SESSION" PendingFileRenameOperations)
has "$pending" '\??\C:\other.tmp' "the other request is kept"
case "$pending" in *Silent\ Dir*) bad "a deletion at restart in the product stays: $pending" ;; *) ok "they are withdrawn" ;; esac
# Wine carries out the pending requests when the prefix restarts.
"$KIT_WINE" wineboot -r >/dev/null 2>&1
gone "$C/other.tmp"
installed 'C:\Silent Dir'
check "$(regval "$entry" InstallLogDigest)" "$(sha256sum <"$C/Silent Dir/INSTALL.LOG" | cut -c1-64)" \
    "the entry records the digest of INSTALL.LOG"
log=$(runlog 'direct 1.log')
echo "$log" | sed 's/^/  run log: /' | head -n 40
has "$log" $'mode: very silent\nscript: C:\\sdist\\SETUP.INI\ndirectory: C:\\Silent Dir' "header"
has "$log" 'item: 1 C:\sdist\PROGRAM.RAR -> C:\Silent Dir' "items"
has "$log" 'file: extracted C:\Silent Dir\Docs\HISTORY.TXT' "entries extracted"
has "$log" 'file: copied C:\Silent Dir\README.TXT' "files copied"
has "$log" 'shortcut: ' "shortcuts"
has "$log" 'registry: HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnel 2.0\DisplayVersion = 2.0' \
    "registry values"
has "$log" 'shell extension: started "C:\windows\system32\regsvr32.exe" /s "C:\Silent Dir\VarShell.dll"' "the shell extension, by the full path of regsvr32"
has "$log" 'log: C:\Silent Dir\INSTALL.LOG' "the install log"
has "$log" 'folder: made C:\Silent Dir for administrators only' "the new folder outside Program Files is the administrators'"
has "$log" 'restart: withdrew the deletion at restart of C:\Silent Dir\Varnel.exe' "the withdrawal"
check "$(echo "$log" | tail -n1)" "result: 3010 installed, restart required to finish" "the result comes last"
removed 'C:\Silent Dir' 'remove 1.log'

echo "== the one file: VarnelSetup.exe /S -- /VERYSILENT /LOG="
# The folder an earlier kit unpacked into, prepared by a standard user with a
# program named regsvr32.exe: the stub never unpacks into it.
temp=$(unixpath "$("$KIT_WINE" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
rm -rf "$temp/VarnelSetup"*
mkdir -p "$temp/VarnelSetup"
cp "$kit/runprobe.exe" "$temp/VarnelSetup/regsvr32.exe"
start "C:\\Downloads\\VarnelSetup.exe /S -- /VERYSILENT /LOG=\"C:\\slogs\\varnel.log\""
finish; check "$RC" "$RC_RESTART" "the stub passes setup's exit code on"
# Why, when it did not: setup's run log if it ran, else what is in %TEMP%.
[ "$RC" = "$RC_RESTART" ] || { runlog varnel.log | sed 's/^/  run log: /'; ls -la "$temp"; }
installed 'C:\Program Files\Varnel'
check "$(find "$C" -name runprobe.txt 2>/dev/null | head -n 3)" "" "the regsvr32.exe in the prepared folder never ran"
check "$(ls "$temp/VarnelSetup")" regsvr32.exe "... and nothing was unpacked beside it"
check "$(find "$temp" -maxdepth 1 -name 'VarnelSetup.*')" "" "the run's private folder is removed"
rm -rf "$temp/VarnelSetup"
check "$(runlog varnel.log | tail -n1)" "result: 3010 installed, restart required to finish" "setup's run log"
removed 'C:\Program Files\Varnel' 'remove 2.log'

echo "== /SILENT with an item missing: no diskette question, failed and undone"
cp -r "$C/sdist" "$C/sdist2" && rm "$C/sdist2/DATA.RAR"
start "C:\\sdist2\\setup.exe /SILENT /LOG=C:\\slogs\\missing.log"
finish; check "$RC" 3 "exit code 3: failed"
log=$(runlog missing.log)
has "$log" 'error: file missing, no one to ask for the next diskette, item 3: C:\sdist2\DATA.RAR' "the reason"
has "$log" $'rollback: everything the run did is undone\nresult: 3 install failed, nothing installed' "undone"
gone "$C/Program Files/Varnel"
gone "$group/Varnel.LNK"
check "$(wreg query "$entry" 2>/dev/null | grep -c DisplayName)" 0 "no entry"

echo "== bad command lines: nothing installed"
start "C:\\sdist\\setup.exe /VERYSILENT /DIR=Silent /LOG=C:\\slogs\\bad.log"
finish; check "$RC" 1 "a relative /DIR= under /VERYSILENT: code 1, no box"
has "$(runlog bad.log)" "error: the install directory cannot be used: Silent" "named in the run log"
long="C:\\$(printf 'a%.0s' $(seq 244))"  # 247 bytes: its VlUnInst.exe would pass MAX_PATH
start "C:\\sdist\\setup.exe /VERYSILENT /DIR=$long /LOG=C:\\slogs\\long.log"
finish; check "$RC" 1 "an install directory too long for the uninstaller's path: code 1"
has "$(runlog long.log)" "error: the install directory cannot be used: $long" "... named in the run log"
start "C:\\sdist\\setup.exe /SILENT /DIR=Q:\\Silent"
ui wait "설치 경로" 30 >/dev/null; check $? 0 "/SILENT: a /DIR= on a missing drive is shown"
has "$(ui text "설치 경로")" "Q: 드라이브가 없습니다." "the directory page's reason"
ui key "설치 경로" RETURN
finish; check "$RC" 1 "then code 1"
start "C:\\sdist\\setup.exe /SILENT /FOO"
ui wait "설치 마법사" 30 >/dev/null; check $? 0 "an unknown switch shows the usage"
out=$(ui text "설치 마법사")
has "$out" "/FOO : 알 수 없는 스위치입니다." "naming the switch"
has "$out" "3	설치하지 못함 (실행 기록에 이유가 있음)" "with the exit codes"
ui key "설치 마법사" RETURN
finish; check "$RC" 1 "code 1"
start "C:\\sdist\\setup.exe /VERYSILENT /FOO"
finish; check "$RC" 1 "/VERYSILENT with an unknown switch: code 1, no box"
start "C:\\sdist\\setup.exe /VERYSILENT /LOG=\"C:\\no such folder\\x.log\""
finish; check "$RC" 5 "a run log that cannot be made: code 5"
gone "$C/Program Files/Varnel"

echo "== the wizard with /DIR=, /NORESTART and /LOG="
"$KIT_WINE" 'C:\sdist\setup.exe' /DIR='C:\Wiz Dir' /NORESTART '/LOG=C:\slogs\wizard.log' & pid=$!
title="Varnel 2.0 설치"
ui wait "$title" 30 >/dev/null && ui click "$title" "다음(N) >" >/dev/null
ui wait "설치 경로" 10 >/dev/null
has "$(ui text "설치 경로")" $'1007\tC:\\Wiz Dir' "page 2 shows the /DIR= directory"
# A second setup of the same product while this one runs ends at once.
start "C:\\sdist\\setup.exe /VERYSILENT /LOG=C:\\slogs\\second.log"
finish; check "$RC" "$RC_RUNNING" "a second setup while the wizard runs: 1618 at once"
check "$(runlog second.log | tail -n1)" "result: 1618 another setup of this product is running, nothing changed" \
    "... said in its run log"
start "C:\\sdist\\setup.exe"
ui wait "설치 마법사" 30 >/dev/null; check $? 0 "... and a second wizard shows a box"
has "$(ui text "설치 마법사")" "Varnel 설치가 이미 실행 중입니다.  그 설치가 끝난 뒤 다시 실행 하십시오." "... saying why"
ui key "설치 마법사" RETURN
finish; check "$RC" "$RC_RUNNING" "... then 1618"
ui click "설치 경로" "다음(N) >" >/dev/null && ui wait "설치 시작" 10 >/dev/null
ui click "설치 시작" "다음(N) >" >/dev/null
ui wait "설치 완료" 60 >/dev/null; check $? 0 "page 4"
ui check "설치 완료" 1005 0; check $? 0 "/NORESTART: the restart box is clear"
ui click "설치 완료" "종료" >/dev/null
wait_pid $pid; check $? "$RC_RESTART" "exit code 3010: installed, not restarted"
stays "$C/Wiz Dir/Varnel.exe"
log=$(runlog wizard.log)
has "$log" "mode: wizard" "the wizard's run log"
has "$log" "file: extracted C:\\Wiz Dir\\Varnel.exe" "with its files"
check "$(echo "$log" | tail -n1)" "result: 3010 installed, restart required to finish" "and its result"
removed 'C:\Wiz Dir' 'remove 3.log'

end_checks
