#!/usr/bin/env bash
# Unattended removal under Wine: /VERYSILENT and /SILENT with /LOG=, as an
# administrator's script runs them. Each case checks the exit code, which
# boxes showed (a box nobody answers would hold the run until uidriver's time
# runs out), the run log (UTF-8), the disk and the registry.
# Usage: uninst_silent.sh VlUnInst.exe uidriver.exe regtool.exe holdopen.exe
set -u
vl=$1 uidriver=$2 regtool=$3 holdopen=$4
. "$(dirname "$0")/scenario-lib.sh"

# Wine hands on only the low byte of an exit code: 3010 arrives as 194.
RC_RESTART=$((3010 % 256)) RC_BAD=1 RC_NOTFOUND=2 RC_REMAIN=6 RC_RUNLOG=7 RC_ALTERED=8
mnt=
cleanup() {
    [ -n "${holder:-}" ] && { touch "$C/hold.release"; wait_pid "$holder"; holder=; }
    [ -n "$mnt" ] && drop_drive t "$mnt"
    wreg delete "$SESSION" /v PendingFileRenameOperations /f >/dev/null
    rm -rf "$C"/Silent* "$C/Victim" "$C/VlSilent" "$C/runlogs" "$C/hold.release" "$C/held"
}
trap cleanup EXIT

# product DIR: an installed product in DIR as setup leaves it, with its
# uninstall entry and the fixed keys. Each case has a folder of its own: the
# last case's uninstaller may still be deleting itself from its folder.
product() {
    dir=$1 d=$(unixpath "$1")
    mkdir -p "$d/doc" "$C/runlogs"
    echo x >"$d/A.EXE"; echo x >"$d/doc/설명.TXT"; echo copied >"$d/README.TXT"
    cp "$vl" "$d/VlUnInst.exe"
    printf '%s\r\n' "FILE:$dir\\A.EXE" "FILE:$dir\\doc\\설명.TXT" "FILE:$dir\\GONE.TXT" "DIR:$dir\\doc" \
        "DIR:$dir" "FILE:$dir\\INSTALL.LOG" | iconv -f UTF-8 -t CP949 >"$d/INSTALL.LOG"
    rt fixed
    rt set "$UNINST\\바넬 2.0" UninstallString "\"$dir\\VlUnInst.exe\" \"$dir\\INSTALL.LOG\""
}
# run ARGS...: the product's uninstaller with ARGS; exit code in $RC.
run() { start "\"$dir\\VlUnInst.exe\" $*"; }
runlog() { tr -d '\r' <"$C/runlogs/$1"; }
# Watches the windows for as long as the started run lasts: after it ended
# no box of it could still be seen.
noboxes() {
    local seen=
    while kill -0 "$runpid" 2>/dev/null; do
        ui list 2>/dev/null | grep -qE $'\t(오류|완료|프로그램삭제)$' && seen=yes
        sleep 0.3
    done
    if [ -n "$seen" ]; then bad "a box showed"; else ok "no box while it ran"; fi
}

echo "== /VERYSILENT with a run log whose path has a blank: everything goes, nothing shows"
product 'C:\Silent Prog'
run "/VERYSILENT \"$dir\\INSTALL.LOG\" /LOG=\"C:\\runlogs\\run 1.log\""
finish; check "$RC" 0 "exit code: removed"
for f in A.EXE doc INSTALL.LOG; do gone "$d/$f"; done
stays "$d/README.TXT"
check "$(rt fixedcount)" 0 "every fixed key is gone"
check "$(rt has "$UNINST\\바넬 2.0")" "0 $UNINST\\바넬 2.0" "the uninstall entry is gone"
log=$(runlog 'run 1.log')
echo "$log" | sed 's/^/  run log: /'
iconv -f UTF-8 -t UTF-8 <"$C/runlogs/run 1.log" >/dev/null && ok "the run log is UTF-8" || bad "not UTF-8"
has "$log" $'log: C:\\Silent Prog\\INSTALL.LOG\nconfirmed: yes\nverify: no digest recorded for INSTALL.LOG: only its own folder and the shortcut folders are followed\nregistry: removed HKCR\\' "header and first key"
has "$log" "registry: removed HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\바넬 2.0" "the entry"
has "$log" $'file: removed C:\\Silent Prog\\doc\\설명.TXT\nfile: not there C:\\Silent Prog\\GONE.TXT' "files"
has "$log" "folder: removed C:\\Silent Prog\\doc" "folders"
check "$(echo "$log" | tail -n1)" "result: 0 removed" "the result comes last"
if waitgone "$d/VlUnInst.exe"; then ok "the uninstaller removed itself"; else bad "VlUnInst.exe stays"; fi

echo "== /SILENT: a file in use goes at restart, no box at all"
product 'C:\Silent Two'
rm -f "$C/hold.release"
"$KIT_WINE" "$holdopen" "$dir\\A.EXE" 'C:\hold.release' >"$C/held" &
holder=$!
for _ in $(seq 100); do grep -q held "$C/held" 2>/dev/null && break; sleep 0.2; done
run "/silent $dir\\INSTALL.LOG /log=C:\\runlogs\\run2.log"
noboxes
finish; check "$RC" "$RC_RESTART" "exit code: restart needed"
touch "$C/hold.release"; wait_pid "$holder"; holder=
stays "$d/A.EXE"; gone "$d/doc"
has "$(runlog run2.log)" "file: in use, removed at restart C:\\Silent Two\\A.EXE" "the run log says why"
has "$(runlog run2.log)" "result: 3010 removed, restart needed to finish" "and the code"
wreg delete "$SESSION" /v PendingFileRenameOperations /f >/dev/null
rm -rf "$d"

echo "== /SILENT shows what went wrong; /VERYSILENT does not"
mkdir -p "$C/VlSilent" && cp "$vl" "$C/VlSilent/VlUnInst.exe"
start 'C:\VlSilent\VlUnInst.exe /SILENT C:\No Such\INSTALL.LOG /LOG=C:\runlogs\run3.log'
ui wait 오류 20 && box_says 오류 $'Static\t65535\tC:\\NoSuch\\INSTALL.LOG 파일이 존재하지 않습니다.  확인 후 다시 실행 하십시오.'
ui key 오류 RETURN
finish; check "$RC" "$RC_NOTFOUND" "exit code: log not found"
check "$(runlog run3.log)" $'error: C:\\NoSuch\\INSTALL.LOG 파일이 존재하지 않습니다.  확인 후 다시 실행 하십시오.\nresult: 2 INSTALL.LOG not found' "run log"
start 'C:\VlSilent\VlUnInst.exe /VERYSILENT C:\No Such\INSTALL.LOG'
finish; check "$RC" "$RC_NOTFOUND" "very silent: exit code only"

echo "== bad switches: the usage, unless very silent"
product 'C:\Silent Three'
run "/VERYSILNT $dir\\INSTALL.LOG"
ui wait 오류 20 && ui text 오류 | grep -q '/VERYSILNT : 알 수 없는 스위치입니다.' && ok "names the switch" || bad "no usage box"
ui text 오류 | grep -q '7	실행 기록을 쓸 수 없음' && ok "usage lists the exit codes" || bad "no exit codes"
ui key 오류 RETURN
finish; check "$RC" "$RC_BAD" "exit code: bad command line"
start "C:\\VlSilent\\VlUnInst.exe /VERYSILENT /LOG= $dir\\INSTALL.LOG"
finish; check "$RC" "$RC_BAD" "an empty /LOG= is a bad command line"
stays "$d/A.EXE"; check "$(rt fixedcount)" 31 "nothing changed"

echo "== a run log that cannot be made changes nothing"
run "/SILENT $dir\\INSTALL.LOG /LOG=\"C:\\No Such\\run.log\""
ui wait 오류 20 && box_says 오류 $'Static\t65535\tC:\\No Such\\run.log 파일에 실행 기록을 쓸 수 없습니다.  확인 후 다시 실행 하십시오.'
ui key 오류 RETURN
finish; check "$RC" "$RC_RUNLOG" "exit code: run log"
run "/VERYSILENT \"$dir\\INSTALL.LOG\" /LOG=\"$dir\\INSTALL.LOG\""
finish; check "$RC" "$RC_RUNLOG" "the install log is never the run log"
stays "$d/A.EXE"; check "$(rt fixedcount)" 31 "nothing changed"
check "$(head -c 14 "$d/INSTALL.LOG")" "FILE:C:\\Silent" "the install log is whole"

echo "== a run log on a full disk: the removal goes on, but is no success"
mnt=$(dirname "$KIT_WINE_STATE")/silent-full
tmpfs_drive t 1m "$mnt" || bad "cannot mount"
dd if=/dev/zero of="$mnt/fill" bs=4k 2>/dev/null
run "/VERYSILENT $dir\\INSTALL.LOG /LOG=T:\\run.log"
finish; check "$RC" "$RC_RUNLOG" "exit code: run log"
gone "$d/A.EXE"; check "$(rt fixedcount)" 0 "the keys are gone"
check "$(stat -c %s "$mnt/run.log")" 0 "nothing reached the full disk"

echo "== a log changed after the install changes nothing; an unvouched one stays in its folder"
product 'C:\Silent Four'
mkdir -p "$C/Victim" && echo mine >"$C/Victim/doc.txt"
rt set "$UNINST\\바넬 2.0" InstallLogDigest "$(sha256sum <"$d/INSTALL.LOG" | cut -c1-64)"
printf 'FILE:C:\\Victim\\doc.txt\r\n' >>"$d/INSTALL.LOG"
run "/SILENT \"$dir\\INSTALL.LOG\" /LOG=C:\\runlogs\\run5.log"
ui wait 오류 20 && box_says 오류 $'Static\t65535\tC:\\Silent Four\\INSTALL.LOG 파일이 설치할 때 기록된 내용과 다릅니다.  아무것도 삭제 하지 않았습니다.  프로그램을 다시 설치 한 뒤 삭제 하십시오.'
ui key 오류 RETURN
finish; check "$RC" "$RC_ALTERED" "exit code: the log was altered"
stays "$C/Victim/doc.txt"; stays "$d/A.EXE"; check "$(rt fixedcount)" 31 "no key removed"
check "$(rt has "$UNINST\\바넬 2.0")" "1 $UNINST\\바넬 2.0" "the uninstall entry stays"
has "$(runlog run5.log)" "verify: INSTALL.LOG differs from the digest its uninstall entry 바넬 2.0 records" "the run log says why"
# The same log with an entry of an earlier kit, which records no digest.
wreg delete "$UNINST\\바넬 2.0" /v InstallLogDigest /f >/dev/null
run "/VERYSILENT \"$dir\\INSTALL.LOG\" /LOG=C:\\runlogs\\run6.log"
finish; check "$RC" "$RC_REMAIN" "exit code: an item outside is left"
stays "$C/Victim/doc.txt"; gone "$d/A.EXE"; gone "$d/doc"
has "$(runlog run6.log)" "error: left, outside the install folder and not vouched for C:\\Victim\\doc.txt" "named in the run log"

end_checks
