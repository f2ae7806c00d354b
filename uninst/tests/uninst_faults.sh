#!/usr/bin/env bash
# The uninstaller under faults, under Wine: product files held open by another
# process, a read-only file, a log nobody may read, a user without the right
# to schedule deletions, and products with items in the Windows folder (95/98
# family) and beside Program Files. Each case checks the box, the exit code,
# the disk, and the deletions scheduled for the next start.
# Usage: uninst_faults.sh VlUnInst.exe uidriver.exe regtool.exe holdopen.exe
set -u
vl=$1 uidriver=$2 regtool=$3 holdopen=$4
. "$(dirname "$0")/scenario-lib.sh"

# Wine hands on only the low byte of an exit code: 3010 arrives as 194.
RC_RESTART=$((3010 % 256)) RC_REMAIN=6 RC_UNREADABLE=4
DONE_RESTART=$'Static\t65535\t프로그램 삭제를 완료 했습니다.  나머지 파일은 Windows를 다시 시작 하면 삭제 됩니다.'
SHELL_FOLDERS='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
CURRENT_VERSION='HKLM\Software\Microsoft\Windows\CurrentVersion'
APP_VERSION='HKCU\Software\Wine\AppDefaults\VlUnInst.exe'

# Everything a case changes outside its own folders comes back, however the
# script ends.
restore=() holders=()
restore_all() {
    [ ${#holders[@]} -gt 0 ] && release
    local i
    for ((i = ${#restore[@]} - 1; i >= 0; i--)); do eval "${restore[i]}"; done
    restore=()
}
trap restore_all EXIT
# set_value KEY NAME DATA: a string value, put back (or deleted) at the end.
set_value() {
    local old
    if old=$(rt get "$1" "$2"); then
        restore+=("rt set $(printf '%q %q %q' "$1" "$2" "$old")")
    else
        restore+=("wreg delete $(printf '%q' "$1") /v $(printf '%q' "$2") /f >/dev/null")
    fi
    rt set "$1" "$2" "$3"
}

# product DIR LINE...: the uninstaller and INSTALL.LOG (code page 949, CR LF)
# in DIR, and its uninstall entry with the log's digest, as setup leaves
# them; the log's own line comes last.
product() {
    local dir=$1 d key
    shift
    d=$(unixpath "$dir") key="$UNINST\\Faults $(basename "$(unixpath "$dir")")"
    mkdir -p "$d"
    cp "$vl" "$d/VlUnInst.exe"
    printf '%s\r\n' "$@" "FILE:$dir\\INSTALL.LOG" | iconv -f UTF-8 -t CP949 >"$d/INSTALL.LOG"
    rt set "$key" UninstallString "$dir\\VlUnInst.exe $dir\\INSTALL.LOG" \
        "$key" InstallLogDigest "$(sha256sum <"$d/INSTALL.LOG" | cut -c1-64)"
    restore+=("wreg delete $(printf '%q' "$key") /f >/dev/null")
}
# files PATH...: files of the Wine drive, each with a line of text.
files() { local f; for f in "$@"; do mkdir -p "$(dirname "$f")" && echo x >"$f"; done; }

# hold PATH [exclusive]: another process keeps the file open until release.
hold() {
    local out=$C/held.${#holders[@]}
    rm -f "$out" "$C/hold.release"
    "$KIT_WINE" "$holdopen" "$1" 'C:\hold.release' ${2:-} >"$out" &
    holders+=($!)
    for _ in $(seq 100); do grep -q held "$out" 2>/dev/null && return 0; sleep 0.2; done
    bad "holdopen did not open $1"
}
release() {
    local pid
    touch "$C/hold.release"
    for pid in "${holders[@]}"; do wait_pid "$pid"; done
    holders=()
    rm -f "$C/hold.release" "$C"/held.*
}

# uninstall DIR CAPTION TEXT: runs the product's uninstaller as its uninstall
# entry would, answers Yes, and checks the last box; the exit code is in $RC.
uninstall() {
    start "$1\\VlUnInst.exe $1\\INSTALL.LOG"
    ui wait 프로그램삭제 20 && ui clickid 프로그램삭제 6
    ui wait "$2" 30 && box_says "$2" "$3"
    ui key "$2" RETURN
    finish
}
pending() { rt get "$SESSION" PendingFileRenameOperations; }
wreg delete "$SESSION" /v PendingFileRenameOperations /f >/dev/null

echo "== files in use go at the next start, with the folder they alone hold up; read-only files go now"
dir='C:\Held' d=$C/Held
files "$d/A.EXE" "$d/shell/VSHELL.DLL" "$d/bin/B.DLL" "$d/bin/my.cfg" "$d/ro/README.TXT"
chmod a-w "$d/ro/README.TXT"  # what Wine shows as the read-only attribute
product "$dir" "FILE:$dir\\A.EXE" "FILE:$dir\\shell" "FILE:$dir\\shell\\VSHELL.DLL" "FILE:$dir\\bin\\B.DLL" \
    "FILE:$dir\\ro" "FILE:$dir\\ro\\README.TXT" "DIR:$dir"
hold "$dir\\shell\\VSHELL.DLL"
hold "$dir\\bin\\B.DLL"
uninstall "$dir" 완료 "$DONE_RESTART"
check "$RC" "$RC_RESTART" "exit code: restart needed"
gone "$d/A.EXE"; gone "$d/ro/README.TXT"; gone "$d/ro"
stays "$d/shell/VSHELL.DLL"; stays "$d/bin/B.DLL"; stays "$d/bin/my.cfg"
has "$(pending)" '\??\C:\Held\shell\VSHELL.DLL||\??\C:\Held\bin\B.DLL||\??\C:\Held\shell||' \
    "the files in use, then the folder only they hold, go at the next start"
case "$(pending)" in *'\??\C:\Held\bin||'*) bad "the folder with the user's file is scheduled" ;; esac
release
rm -rf "$d"; wreg delete "$SESSION" /v PendingFileRenameOperations /f >/dev/null

echo "== without the right to schedule, the box names what stays"
dir='C:\NoRights' d=$C/NoRights
files "$d/A.EXE" "$d/셸/VSHELL.DLL"
product "$dir" "FILE:$dir\\A.EXE" "FILE:$dir\\셸\\VSHELL.DLL" "DIR:$dir"
dacl=$(rt getdacl "$SESSION") || bad "no access list"
restore+=("rt setdacl $(printf '%q %q' "$SESSION" "$dacl")")
# A deny entry before the others, as for a user who may not write the key.
rt setdacl "$SESSION" "D:(D;;0x6;;;WD)${dacl#D:}" || bad "cannot refuse writes"
hold "$dir\\셸\\VSHELL.DLL"
uninstall "$dir" 완료 $'Static\t65535\tC:\\NoRights\\셸\\VSHELL.DLL 파일을 삭제 하지 못했습니다.  확인 후 직접 삭제 하십시오.'
check "$RC" "$RC_REMAIN" "exit code: some items remain"
gone "$d/A.EXE"; stays "$d/셸/VSHELL.DLL"
release; restore_all
check "$(pending)" "" "nothing scheduled"
rm -rf "$d"

echo "== a log that nobody may read"
dir='C:\Locked' d=$C/Locked
files "$d/A.EXE"
product "$dir" "FILE:$dir\\A.EXE" "DIR:$dir"
hold "$dir\\INSTALL.LOG" exclusive
uninstall "$dir" 오류 $'Static\t65535\tC:\\Locked\\INSTALL.LOG 파일을 읽을 수 없습니다.  확인 후 다시 실행 하십시오.'
check "$RC" "$RC_UNREADABLE" "exit code: log unreadable"
stays "$d/A.EXE"
release
rm -rf "$d"

echo "== the 95/98 family: an item in the Windows folder, whose Desktop and Startup it empties"
set_value "$APP_VERSION" Version win98
set_value "$SHELL_FOLDERS" Desktop 'C:\windows\Desktop'
set_value "$SHELL_FOLDERS" Startup 'C:\windows\Start Menu\Programs\StartUp'
rm -f "$C/windows/wininit.ini"
dir='C:\Varnel98' d=$C/Varnel98 w=$C/windows
files "$d/A.EXE" "$d/shell/VSHELL.DLL" "$w/VARNEL.INI" "$w/Desktop/바넬.LNK" \
    "$w/Start Menu/Programs/StartUp/바넬.LNK" "$w/Start Menu/Programs/바넬/바넬.LNK"
product "$dir" "FILE:$dir\\A.EXE" "FILE:$dir\\shell\\VSHELL.DLL" "DIR:$dir" 'FILE:C:\windows\VARNEL.INI' \
    'DIR:C:\windows' 'ICON:C:\windows\Desktop\바넬.LNK' 'ICON:C:\windows\Start Menu\Programs\StartUp\바넬.LNK' \
    'ICON:C:\windows\Start Menu\Programs\바넬\바넬.LNK' 'DIR:C:\windows\Start Menu\Programs\바넬'
hold "$dir\\shell\\VSHELL.DLL"
uninstall "$dir" 완료 "$DONE_RESTART"
check "$RC" "$RC_RESTART" "exit code: restart needed"
for f in "$w/VARNEL.INI" "$w/Desktop/바넬.LNK" "$w/Start Menu/Programs/StartUp/바넬.LNK" \
    "$w/Start Menu/Programs/바넬" "$d/A.EXE"; do gone "$f"; done
stays "$w/Desktop"; stays "$w/Start Menu/Programs/StartUp"; stays "$d/shell/VSHELL.DLL"
# The startup-rename file takes no folders: the shell folder stays after the start.
check "$(tr a-z A-Z <"$w/wininit.ini" | tr -d '\r')" $'[RENAME]\nNUL=C:\\VARNEL98\\VLUNINST.EXE\nNUL=C:\\VARNEL98\\SHELL\\VSHELL.DLL' \
    "wininit.ini: the uninstaller first, then the file in use"
check "$(pending)" "" "nothing in the NT family's list"
release; restore_all
rm -rf "$d" "$w/Desktop" "$w/Start Menu" "$w/wininit.ini"

echo "== the NT family: an item beside Program Files, which it empties; 64-bit Common Files stays"
set_value "$CURRENT_VERSION" ProgramFilesDir 'C:\VlPF'
set_value "$CURRENT_VERSION" CommonW6432Dir 'C:\VlCF'
dir='C:\VarnelNT' d=$C/VarnelNT
files "$d/A.EXE" "$C/VlPF/Varnel/B.EXE" "$C/VlPF/Varnel/data/C.DAT"
mkdir -p "$C/VlCF"
product "$dir" "FILE:$dir\\A.EXE" "DIR:$dir" 'FILE:C:\VlPF\Varnel\B.EXE' 'FILE:C:\VlPF\Varnel\data\C.DAT' 'DIR:C:\VlPF' \
    'DIR:C:\VlCF'
uninstall "$dir" 완료 "$DONE"
check "$RC" 0 "exit code: all removed"
gone "$C/VlPF/Varnel"; stays "$C/VlPF"; stays "$C/VlCF"
if waitgone "$d"; then ok "the emptied install folder went with the uninstaller"; else bad "install folder stays"; fi
restore_all
rm -rf "$C/VlPF" "$C/VlCF"
wreg delete "$SESSION" /v PendingFileRenameOperations /f >/dev/null

end_checks
