#!/usr/bin/env bash
# Uninstall scenarios under Wine. Each lays out an installed product as setup
# leaves it (files, INSTALL.LOG in code page 949 with CR LF, the uninstall
# entry and the product's keys), starts VlUnInst with the entry's own command
# line, answers its boxes through uidriver and checks what went and what stayed.
# Usage: uninst_scenarios.sh VlUnInst.exe uidriver.exe regtool.exe
set -u
vl=$1 uidriver=$2 regtool=$3
. "$(dirname "$0")/scenario-lib.sh"

# install DIR TITLE COMMANDSTYLE: the product as setup leaves it in DIR.
install() {
    local dir=$1 title=$2 group="C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\$2"
    local d g desk="C:\\users\\Public\\Desktop"
    d=$(unixpath "$dir"); g=$(unixpath "$group")
    mkdir -p "$d/doc" "$d/bin" "$g" "$(unixpath "$desk")" "$C/windows/system32"
    echo x >"$d/A.EXE"; echo x >"$d/doc/설명.TXT"; echo x >"$d/bin/B.DLL"
    echo copied >"$d/README.TXT"  # a "COPY" item: not logged
    echo dll >"$C/windows/system32/UNRAR.DLL"
    cp "$vl" "$d/VlUnInst.exe"
    echo lnk >"$g/바넬.LNK"; echo lnk >"$g/삭제.LNK"; echo lnk >"$(unixpath "$desk")/바넬.LNK"
    printf '%s\r\n' "FILE:$dir\\A.EXE" "FILE:$dir\\doc" "FILE:$dir\\doc\\설명.TXT" "DIR:$dir" \
        "DIR:$dir" "FILE:$dir\\bin\\B.DLL" "DIR:$dir\\bin" \
        "ICON:$group\\바넬.LNK" "ICON:$desk\\바넬.LNK" "ICON:$group\\삭제.LNK" "DIR:$group" \
        "FILE:$dir\\INSTALL.LOG" | iconv -f UTF-8 -t CP949 >"$d/INSTALL.LOG"
    local cmd="$dir\\VlUnInst.exe $dir\\INSTALL.LOG"
    [ "$3" = quoted ] && cmd="\"$dir\\VlUnInst.exe\" \"$dir\\INSTALL.LOG\""
    rt fixed
    rt set "$UNINST\\$title" UninstallString "$cmd" "$UNINST\\$title" DisplayName "$title" \
        "$UNINST\\Other" UninstallString 'C:\Other\VlUnInst.exe C:\Other\INSTALL.LOG' \
        'HKCU\SOFTWARE\Tessaro\Other' PATH 'C:\Other'
    UNINSTALL_CMD=$cmd
}

echo "== wrong parameters"
mkdir -p "$C/VlTest" && cp "$vl" "$C/VlTest/VlUnInst.exe"
start 'C:\VlTest\VlUnInst.exe'
ui wait 오류 20 && box_says 오류 $'Static\t65535\t매개 변수가 잘못 전달 되었습니다.  확인 후 다시 실행 하십시오.'
ui key 오류 RETURN
finish; check "$RC" 1 "no parameter ends the run"
start 'C:\VlTest\VlUnInst.exe C:\No Such\INSTALL.LOG'
ui wait 오류 20 && box_says 오류 $'Static\t65535\tC:\\NoSuch\\INSTALL.LOG 파일이 존재하지 않습니다.  확인 후 다시 실행 하십시오.'
ui key 오류 RETURN
finish; check "$RC" 2 "a missing log ends the run"

echo "== No changes nothing (Enter takes the default, No)"
install 'C:\My Prog' '바넬 2.0' plain
start "$UNINSTALL_CMD"
ui wait 프로그램삭제 20 && box_says 프로그램삭제 "$CONFIRM"
ui key 프로그램삭제 RETURN
finish; check "$RC" 3 "declined"
check "$(rt fixedcount)" 31 "every key stays"
stays "$C/My Prog/A.EXE"; stays "$C/My Prog/INSTALL.LOG"

echo "== Yes removes the product, one blank in its folder, entry named after the title"
start "$UNINSTALL_CMD"
ui wait 프로그램삭제 20 && ui clickid 프로그램삭제 6
ui wait 완료 20 && box_says 완료 "$DONE"
ui key 완료 RETURN
finish; check "$RC" 0 "completed"
check "$(rt fixedcount)" 0 "the fixed keys are gone"
check "$(rt has "$UNINST\\바넬 2.0" "$UNINST\\Other" 'HKCU\SOFTWARE\Tessaro\Other')" \
    "0 $UNINST\\바넬 2.0"$'\n'"1 $UNINST\\Other"$'\n1 HKCU\\SOFTWARE\\Tessaro\\Other' "title entry gone, others stay"
for f in A.EXE doc/설명.TXT doc bin INSTALL.LOG; do gone "$C/My Prog/$f"; done
gone "$C/ProgramData/Microsoft/Windows/Start Menu/Programs/바넬 2.0"
gone "$C/users/Public/Desktop/바넬.LNK"; stays "$C/users/Public/Desktop"
stays "$C/My Prog/README.TXT"; stays "$C/windows/system32/UNRAR.DLL"
if waitgone "$C/My Prog/VlUnInst.exe"; then ok "the uninstaller removed itself"; else bad "VlUnInst.exe stays"; fi
stays "$C/My Prog"  # still holds the copied file
case "$(rt get "$SESSION" PendingFileRenameOperations)" in
    *'My Prog\VlUnInst.exe'*) ok "deletion at restart scheduled" ;;
    *) bad "no deletion at restart" ;;
esac

echo "== two blanks, every file already gone: keys still go, the folder goes"
install 'C:\A B\C D' 'Varnel' plain
find "$C/A B/C D" -mindepth 1 ! -name INSTALL.LOG ! -name VlUnInst.exe -delete
rm -rf "$C/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnel" "$C/users/Public/Desktop/바넬.LNK"
start "$UNINSTALL_CMD"
ui wait 프로그램삭제 20 && ui clickid 프로그램삭제 6
ui wait 완료 20 && ui key 완료 RETURN
finish; check "$RC" 0 "completed"
check "$(rt fixedcount)" 0 "the keys are gone"
if waitgone "$C/A B/C D"; then ok "the emptied install folder went with the uninstaller"; else bad "install folder stays"; ls -la "$C/A B/C D"; fi
stays "$C/A B"

echo "== the 95/98 family: wininit.ini, quoted command line"
rt set 'HKCU\Software\Wine\AppDefaults\VlUnInst.exe' Version win98
install 'C:\Varnel' 'Varnel 2.0' quoted
printf '[rename]\r\nnul=C:\\OLD.EXE\r\n' >"$C/windows/wininit.ini"
start "$UNINSTALL_CMD"
ui wait 프로그램삭제 20 && ui clickid 프로그램삭제 6
ui wait 완료 20 && ui key 완료 RETURN
finish; check "$RC" 0 "completed"
gone "$C/Varnel/A.EXE"
want=$'[rename]\r\nnul=C:\\VARNEL\\VLUNINST.EXE\r\nnul=C:\\OLD.EXE\r'
check "$(tr a-z A-Z <"$C/windows/wininit.ini" | sed 's/\[RENAME\]/[rename]/; s/^NUL=/nul=/')" \
    "$want" "entry first in the lower-case section"

echo "== the 95/98 family: wininit.ini cannot be written"
rm -f "$C/windows/wininit.ini" && mkdir "$C/windows/wininit.ini"
install 'C:\Varnel' 'Varnel 2.0' quoted
start "$UNINSTALL_CMD"
ui wait 프로그램삭제 20 && ui clickid 프로그램삭제 6
ui wait 오류 20 && box_says 오류 $'Static\t65535\tC:\\windows\\wininit.ini 파일을 읽거나 쓸 수 없습니다.  확인 후 다시 실행 하십시오.'
ui key 오류 RETURN
finish; check "$RC" 5 "ends with the message, no completion"
ui wait 완료 1 2>/dev/null && bad "completion shown after failure"
rmdir "$C/windows/wininit.ini"
rt set 'HKCU\Software\Wine\AppDefaults\VlUnInst.exe' Version win10

end_checks
