#!/usr/bin/env bash
# The uninstaller under faults, under Wine: products with items in the Windows
# folder (95/98 family) and beside Program Files. Each case checks the box,
# the exit code and the disk.
# Usage: uninst_faults_test.sh VlUnInst.exe uidriver.exe regtool.exe
set -u
vl=$1 uidriver=$2 regtool=$3
. "$(dirname "$0")/scenario-lib.sh"

SHELL_FOLDERS='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
CURRENT_VERSION='HKLM\Software\Microsoft\Windows\CurrentVersion'
APP_VERSION='HKCU\Software\Wine\AppDefaults\VlUnInst.exe'

# Everything a case changes outside its own folders comes back, however the
# script ends.
restore=()
restore_all() {
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
# in DIR, as setup leaves them; the log's own line comes last.
product() {
    local dir=$1 d
    shift
    d=$(unixpath "$dir")
    mkdir -p "$d"
    cp "$vl" "$d/VlUnInst.exe"
    printf '%s\r\n' "$@" "FILE:$dir\\INSTALL.LOG" | iconv -f UTF-8 -t CP949 >"$d/INSTALL.LOG"
}
# files PATH...: files of the Wine drive, each with a line of text.
files() { local f; for f in "$@"; do mkdir -p "$(dirname "$f")" && echo x >"$f"; done; }

# uninstall DIR CAPTION TEXT: runs the product's uninstaller as its uninstall
# entry would, answers Yes, and checks the last box; the exit code is in $RC.
uninstall() {
    start "$1\\VlUnInst.exe $1\\INSTALL.LOG"
    ui wait 프로그램삭제 20 && ui clickid 프로그램삭제 6
    ui wait "$2" 30 && box_says "$2" "$3"
    ui key "$2" RETURN
    finish
}

echo "== the 95/98 family: an item in the Windows folder, whose Desktop and Startup it empties"
set_value "$APP_VERSION" Version win98
set_value "$SHELL_FOLDERS" Desktop 'C:\windows\Desktop'
set_value "$SHELL_FOLDERS" Startup 'C:\windows\Start Menu\Programs\StartUp'
rm -f "$C/windows/wininit.ini"
dir='C:\Varnel98' d=$C/Varnel98 w=$C/windows
files "$d/A.EXE" "$w/VARNEL.INI" "$w/Desktop/바넬.LNK" \
    "$w/Start Menu/Programs/StartUp/바넬.LNK" "$w/Start Menu/Programs/바넬/바넬.LNK"
product "$dir" "FILE:$dir\\A.EXE" "DIR:$dir" 'FILE:C:\windows\VARNEL.INI' \
    'DIR:C:\windows' 'ICON:C:\windows\Desktop\바넬.LNK' 'ICON:C:\windows\Start Menu\Programs\StartUp\바넬.LNK' \
    'ICON:C:\windows\Start Menu\Programs\바넬\바넬.LNK' 'DIR:C:\windows\Start Menu\Programs\바넬'
uninstall "$dir" 완료 "$DONE"
check "$RC" 0 "exit code: all removed"
for f in "$w/VARNEL.INI" "$w/Desktop/바넬.LNK" "$w/Start Menu/Programs/StartUp/바넬.LNK" \
    "$w/Start Menu/Programs/바넬" "$d/A.EXE"; do gone "$f"; done
stays "$w/Desktop"; stays "$w/Start Menu/Programs/StartUp"
check "$(tr a-z A-Z <"$w/wininit.ini" | tr -d '\r')" $'[RENAME]\nNUL=C:\\VARNEL98\\VLUNINST.EXE' \
    "the 95/98 family seen: the uninstaller in wininit.ini"
restore_all
rm -rf "$d" "$w/Desktop" "$w/Start Menu" "$w/wininit.ini"

echo "== the NT family: an item beside Program Files, which it empties"
set_value "$CURRENT_VERSION" ProgramFilesDir 'C:\VlPF'
dir='C:\VarnelNT' d=$C/VarnelNT
files "$d/A.EXE" "$C/VlPF/Varnel/B.EXE" "$C/VlPF/Varnel/data/C.DAT"
product "$dir" "FILE:$dir\\A.EXE" "DIR:$dir" 'FILE:C:\VlPF\Varnel\B.EXE' 'FILE:C:\VlPF\Varnel\data\C.DAT' 'DIR:C:\VlPF'
uninstall "$dir" 완료 "$DONE"
check "$RC" 0 "exit code: all removed"
gone "$C/VlPF/Varnel"; stays "$C/VlPF"
if waitgone "$d"; then ok "the emptied install folder went with the uninstaller"; else bad "install folder stays"; fi
restore_all
rm -rf "$C/VlPF"

exit $((fails > 0))
