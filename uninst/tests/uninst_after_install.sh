#!/usr/bin/env bash
# Install, then uninstall: the install engine installs a two-archive product
# from a SETUP.INI (archives made here with rar), VlUnInst runs with the
# uninstall entry's own command line, and every path the log lists must be
# gone while what it does not list (the "COPY" file, UNRAR.DLL) stays.
# Usage: uninst_after_install.sh installer.exe VlUnInst.exe uidriver.exe regtool.exe
set -u
installer=$1 vl=$2 uidriver=$3 regtool=$4
. "$(dirname "$0")/scenario-lib.sh"
rar 2>/dev/null | sed -n 2p

src="$C/e2e/disk1"; prof="$C/e2e/profile"
rm -rf "$C/e2e" "$C/Program Files/Varnel Test"
mkdir -p "$src" "$prof/Programs" "$prof/Desktop" "$C/e2e/w/p/bin" "$C/e2e/w/p/docs" "$C/e2e/w/d/more"
( cd "$C/e2e/w/p" && printf 'app\r\n' >bin/app.exe && printf 'manual\r\n' >docs/manual.txt &&
  printf 'x\r\n' >설명.txt && rar a -idq -r "$src/PROG.RAR" bin docs 설명.txt )
( cd "$C/e2e/w/d" && printf 'd\r\n' >data.txt && printf 'm\r\n' >more/more.txt &&
  rar a -idq -r "$src/DATA.RAR" data.txt more )
printf 'read me\r\n' >"$src/README.TXT"
cp "$(dirname "$installer")/unrar.dll" "$src/UNRAR.DLL"
cp "$vl" "$src/VlUnInst.exe"
printf '%s\r\n' '[APP]' 'NAME=Varnel' 'VERSION=2.0' 'INSTALLDIR=C:\Program Files\Varnel Test' 'FOLDER=Varnel' \
    'UNINSTALL=Varnel 제거' '[FILES]' 'FILE1=PROG.RAR,<INSTALLDIR>' 'FILE2=README.TXT,<INSTALLDIR>,COPY' \
    'FILE3=DATA.RAR,<INSTALLDIR>\Data' '[ICONS]' 'ICON1=Programs,Varnel,<INSTALLDIR>\bin\app.exe' \
    'ICON2=Desktop,Varnel,<INSTALLDIR>\bin\app.exe' | iconv -f UTF-8 -t CP949 >"$src/SETUP.INI"

# Shortcuts go to folders of our own; the profile's values come back at the end.
FOLDERS='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
USERFOLDERS='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
saved=()
for k in "$FOLDERS" "$USERFOLDERS"; do
    for n in Programs Desktop; do saved+=("$k" "$n" "$(rt get "$k" "$n")"); done
done
rt set "$FOLDERS" Programs 'C:\e2e\profile\Programs' "$FOLDERS" Desktop 'C:\e2e\profile\Desktop' \
    "$USERFOLDERS" Programs 'C:\e2e\profile\Programs' "$USERFOLDERS" Desktop 'C:\e2e\profile\Desktop'

"$KIT_WINE" "$installer" 'C:\e2e\disk1\'
check $? 0 "install completed"
inst="$C/Program Files/Varnel Test"
log=$(iconv -f CP949 -t UTF-8 <"$inst/INSTALL.LOG" | tr -d '\r')
echo "$log" | sed 's/^/  log: /'
cmd=$(rt get "$UNINST\\Varnel 2.0" UninstallString)
echo "  uninstall entry: $cmd"
[ -n "$cmd" ] || bad "no uninstall entry"

start "$cmd"
ui wait 프로그램삭제 20 && box_says 프로그램삭제 "$CONFIRM" && ui clickid 프로그램삭제 6
ui wait 완료 30 && box_says 완료 "$DONE" && ui key 완료 RETURN
finish; check "$RC" 0 "uninstall completed"

while IFS= read -r line; do
    path=${line#*:}
    [ -n "$path" ] || continue
    [ "$(unixpath "$path")" = "$inst" ] && continue  # holds the "COPY" file
    gone "$(unixpath "$path")"
done <<<"$log"
stays "$inst/README.TXT"
stays "$C/windows/system32/UNRAR.DLL"
check "$(rt has "$UNINST\\Varnel 2.0")" "0 $UNINST\\Varnel 2.0" "the entry named after the title is gone"
if waitgone "$inst/VlUnInst.exe"; then ok "the uninstaller removed itself"; else bad "VlUnInst.exe stays"; fi

for ((i = 0; i < ${#saved[@]}; i += 3)); do
    [ -n "${saved[i + 2]}" ] && rt set "${saved[i]}" "${saved[i + 1]}" "${saved[i + 2]}"
done
rm -rf "$C/e2e"
end_checks
