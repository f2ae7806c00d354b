#!/usr/bin/env bash
# Plays a user through setup.exe under Wine: a full install from a sample
# distribution (forward and back, another directory from the chooser, the
# close question answered No once, finish with the restart box cleared), then
# a run over that install cancelled at the diskette prompt, which must leave
# it as it was. Checks files, log, shortcuts and registry afterwards.
# Screenshots of every page go to $shots (not kept in git).
# Usage: setup_wizard.sh SETUP.EXE UIDRIVER.EXE VLUNINST.EXE UNRAR.DLL
set -u
. "$(dirname "$0")/../../tools/scenario-lib.sh"
setup_exe=$1 uidriver=$2 vluninst=$3 unrar_dll=$4
shots=${WIZARD_SHOTS:-$KIT_WINE_STATE/wizard-shots}
drive_c=$C
dist=$drive_c/dist
title="Varnel 3.0 설치"

echo "rar used for the sample archives: $(rar 2>/dev/null | sed -n 's/^\(RAR [0-9.]*\).*/\1/p' | head -n1)"
mkdir -p "$shots"
rm -rf "$dist" "$drive_c/Apps" "$drive_c/Program Files/Varnel"
mkdir -p "$dist" "$drive_c/Apps"

# The product: a program, a help tree and a readme copied as a single file.
src=$(mktemp -d)
mkdir -p "$src/app" "$src/help/doc"
printf 'varnel program\r\n' >"$src/app/VARNEL.EXE"
printf 'skin\r\n' >"$src/app/ActiveSkin.ocx"
printf 'help index\r\n' >"$src/help/INDEX.HLP"
printf 'chapter one\r\n' >"$src/help/doc/ONE.TXT"
(cd "$src/app" && rar a -idq -ep1 "$dist/APP.RAR" VARNEL.EXE ActiveSkin.ocx) || { echo "rar failed"; exit 1; }
(cd "$src/help" && rar a -idq -r "$dist/HELP.RAR" INDEX.HLP doc) || { echo "rar failed"; exit 1; }
printf 'read me\r\n' >"$dist/README.TXT"
rm -rf "$src"
cp "$setup_exe" "$dist/setup.exe"
cp "$unrar_dll" "$dist/UNRAR.DLL"
[ -f "$vluninst" ] && cp "$vluninst" "$dist/VlUnInst.exe"
write_ini() {
    printf '%s\r\n' "[APP]" "NAME=Varnel" "VERSION=3.0" "INSTALLDIR=${installdir:-C:\\Program Files\\Varnel}" \
        "FOLDER=Varnel" "TITLE=$title" "UNINSTALL=Varnel 제거" \
        "[SHELL]" "SHELLDLLFILE=vctx600.dll" \
        "[FILES]" "FILE1=APP.RAR,<INSTALLDIR>," "FILE2=HELP.RAR,<INSTALLDIR>\\HELP," \
        "FILE3=README.TXT,<INSTALLDIR>,COPY" "$@" \
        "[ICONS]" "ICON1=Programs,Varnel,<INSTALLDIR>\\VARNEL.EXE," \
        | iconv -f UTF-8 -t CP949 >"$dist/SETUP.INI"
}
write_ini
wreg delete 'HKCU\SOFTWARE\Tessaro\Varnel' /f >/dev/null
wreg delete 'HKCR\Varnel' /f >/dev/null
wreg add 'HKCR\Varnel\Old' /f >/dev/null  # a leftover the registration removes

"$KIT_WINE" 'C:\dist\setup.exe' & pid=$!

# Page 1: welcome, Back disabled.
ui wait "$title" 30; check $? 0 "wizard shows page 1 with the script's title"
shot page1
out=$(ui text "$title")
has "$out" "Varnel 3.0 프로그램을 설치할 설치 마법사 입니다." "page 1 names the product"
ui click "$title" "다음(N) >"; check $? 0 "Next on page 1"
ui wait "설치 경로" 10; check $? 0 "page 2"
shot page2
ui click "설치 경로" "< (B)이전"; check $? 0 "Back on page 2"
ui wait "$title" 10; check $? 0 "back on page 1"
# uidriver waits 10 s for the button to become enabled before it gives up.
ui click "$title" "< (B)이전" 2>/dev/null; check $? 1 "Back is disabled on page 1"
ui click "$title" "다음(N) >" >/dev/null
ui wait "설치 경로" 10 >/dev/null

# Page 2: the chooser starts at C:\, Down opens Apps, "선택" keeps it.
ui click "설치 경로" "찾아보기(P)"; check $? 0 "Browse"
ui wait "선택" 10; check $? 0 "the directory chooser opens"
out=$(ui text "선택")
has "$out" $'Edit\t101\tC:\\Program Files\\Varnel' "the edit shows the install directory"
ui key "선택" DOWN && ui key "선택" RETURN
chooser_has() { ui text "선택" | grep -qF -- "$1"; }
eventually 10 chooser_has $'Edit\t101\tC:\\Apps\\Varnel'
shot chooser
out=$(ui text "선택")
has "$out" $'Edit\t101\tC:\\Apps\\Varnel' "opening C:\\Apps proposes it with the folder name"
ui click "선택" "선택"; check $? 0 "choose"
ui gone "선택" 10; check $? 0 "the chooser closes"
out=$(ui text "설치 경로")
has "$out" $'1007\tC:\\Apps\\Varnel' "page 2 shows the chosen directory"

# Page 3: the close question, answered No, leaves the wizard where it was.
ui click "설치 경로" "다음(N) >" >/dev/null
ui wait "설치 시작" 10; check $? 0 "page 3"
shot page3
ui close "설치 시작"
ui wait "종료" 10; check $? 0 "closing asks first"
out=$(ui text "종료")
has "$out" $'프로그램 설치를 종료 하시겠습니까?\n\n설치 마법사를 종료하면 프로그램이 설치되지 않습니다.' "the question's text"
shot question
ui key "종료" RETURN  # No is the default
ui gone "종료" 10; check $? 0 "No closes the question"
ui wait "설치 시작" 5; check $? 0 "the wizard stays on page 3"

# Install, then page 4 with the restart box checked; clear it and finish.
ui click "설치 시작" "다음(N) >"; check $? 0 "Next starts the install"
ui wait "설치 완료" 120; check $? 0 "page 4 after the install"
shot page4
out=$(ui text "설치 완료")
has "$out" "Varnel 3.0 프로그램 설치를 완료 했습니다." "page 4 reports the finished install"
ui check "설치 완료" 1005 0; check $? 0 "restart box cleared"
ui click "설치 완료" "종료"; check $? 0 "finish"
ui gone "설치 완료" 20; check $? 0 "the wizard closes"
wait_pid $pid; check $? "$RC_RESTART" "setup ends: installed, the restart box was cleared"
# Setup does not wait for regsvr32, which registers the shell extension.
clsid='{6D1A2F40-7C3B-4E59-A1D8-3F0B5C9E7A21}'
registered() { [ "$(regval "HKCR\\CLSID\\$clsid\\InProcServer32" '')" = 'C:\Apps\Varnel\vctx600.dll' ]; }
eventually 30 registered

app="$drive_c/Apps/Varnel"
check "$(cat "$app/VARNEL.EXE" 2>/dev/null)" $'varnel program\r' "archive item installed into the chosen directory"
check "$(cat "$app/HELP/doc/ONE.TXT" 2>/dev/null)" $'chapter one\r' "second archive with its folders"
check "$(cat "$app/README.TXT" 2>/dev/null)" $'read me\r' "single file copied"
check "$([ -f "$app/VlUnInst.exe" ] && echo yes)" yes "uninstaller copied"
log=$(iconv -f CP949 -t UTF-8 "$app/INSTALL.LOG" 2>/dev/null | tr -d '\r')
has "$log" 'FILE:C:\Apps\Varnel\VARNEL.EXE' "log lists the installed file"
has "$log" 'DIR:C:\Apps\Varnel\HELP' "log lists the item directory"
has "$log" 'ICON:' "log lists the shortcuts"
check "$(printf '%s\n' "$log" | tail -n1)" 'FILE:C:\Apps\Varnel\INSTALL.LOG' "log ends with itself"
programs=$(regval 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Programs)
group=$("$KIT_WINE" winepath -u "$programs\\Varnel 3.0" 2>/dev/null)
check "$([ -f "$group/Varnel.LNK" ] && echo yes)" yes "program shortcut in the product's group"
check "$([ -f "$group/Varnel 제거.LNK" ] && echo yes)" yes "uninstall shortcut"

check "$(regval "HKCR\\CLSID\\$clsid\\InProcServer32" '')" 'C:\Apps\Varnel\vctx600.dll' "server path"
check "$(regval "HKCR\\CLSID\\$clsid\\InProcServer32" ThreadingModel)" Apartment "threading model"
for k in '*\shellex\ContextMenuHandlers' 'Directory\shellex\ContextMenuHandlers' \
         'Directory\shellex\DragDropHandlers' 'Drive\shellex\DragDropHandlers' \
         'Folder\shellex\ContextMenuHandlers' 'Folder\shellex\DragDropHandlers'; do
    check "$(regval "HKCR\\$k\\Varnel" '')" "$clsid" "handler $k"
done
keyexists() { "$KIT_WINE" reg query "$1" >/dev/null 2>&1; }
keyexists 'HKCR\Varnel'; check $? 1 "the old root key is gone"
check "$(regval 'HKCU\SOFTWARE\Tessaro\Varnel' PATH)" 'C:\Apps\Varnel' "product key PATH"
check "$(regval 'HKCU\SOFTWARE\Tessaro\Varnel' ShellDll)" vctx600.dll "product key ShellDll"
check "$(regval 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnel 3.0' DisplayName)" \
    "Varnel 3.0" "uninstall entry"

# A second run over this install, made older, cancelled at the diskette
# prompt after its first three items: not a finished install, and the
# older one comes back byte for byte, with its times.
printf 'Varnel 2.0 program\r\n' >"$app/VARNEL.EXE"
find "$app" "$group" -exec touch -h -d '2001-02-03 12:00' {} +
older() {
    find "$app" "$group" \( -type d -printf 'd %p\n' \) -o -printf '%y %p %s %m %T@\n' | sort
    find "$app" "$group" -type f -exec sha256sum {} + | sort
    wreg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnel 3.0'
    wreg query 'HKCU\SOFTWARE\Tessaro\Varnel'
}
before=$(older)
installdir='C:\Apps\Varnel' write_ini "FILE4=DISK2.RAR,<INSTALLDIR>,"
"$KIT_WINE" 'C:\dist\setup.exe' & pid=$!
ui wait "$title" 30 >/dev/null
for page in "$title" "설치 경로"; do ui click "$page" "다음(N) >" >/dev/null; done
ui wait "설치 시작" 10 >/dev/null
ui click "설치 시작" "다음(N) >" >/dev/null
ui wait "Disk" 60; check $? 0 "the next diskette is asked for"
ui click "Disk" "취소"; check $? 0 "cancel at the prompt"
ui wait "설치 마법사" 10; check $? 0 "setup says the install was cancelled"
out=$(ui text "설치 마법사")
has "$out" "프로그램 설치가 취소되었습니다." "the cancel message"
shot cancelled
ui key "설치 마법사" RETURN
wait_pid $pid; check $? 2 "setup ends after a cancelled run"
ui list | grep -q "설치 완료"; check $? 1 "no finish page after a cancel"
check "$(older)" "$before" "the older install is as it was: files, times, log, shortcuts, entry, key"

echo "screenshots: $shots"
end_checks
