#!/usr/bin/env bash
# Plays setup.exe under Wine into the faults a user meets: a read-only install
# folder, a disk that fills up in the middle of an archive, a cancel in the
# middle of an archive over an older install, a run killed there and the run
# after it, and a drive whose volume label is longer than any buffer. Drives are
# small tmpfs file systems (mounted here, so this needs root) mapped as Wine
# drive letters; all of them are unmounted on every way out. After each run
# the disk and the registry are compared with what they were before.
# Usage: setup_faults.sh SETUP.EXE UIDRIVER.EXE VLUNINST.EXE UNRAR.DLL
set -u
. "$(dirname "$0")/../../tools/scenario-lib.sh"
setup_exe=$1 uidriver=$2 vluninst=$3 unrar_dll=$4
shots=${FAULT_SHOTS:-$KIT_WINE_STATE/fault-shots}
dist=$C/faults
title="Varnel 3.0 설치"
mnt=$KIT_WINE_STATE/fault-mnt
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnel 3.0'
sysdll=$C/windows/system32/UNRAR.DLL
pid=

cleanup() {
    [ -n "$pid" ] && kill -CONT "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null
    for d in f:full r:ro g:big; do drop_drive "${d%%:*}" "$mnt/${d#*:}"; done
    rm -f "$WINEPREFIX/dosdevices/l:"
    rm -rf "$mnt" "$dist"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

[ "$(id -u)" = 0 ] || { bad "the fault tests mount small file systems and need root"; exit 1; }
echo "rar used for the archives: $(rar 2>/dev/null | sed -n 's/^\(RAR [0-9.]*\).*/\1/p' | head -n1)"
mkdir -p "$shots" "$dist" "$mnt/label"

# F: 1 MB that fills up; R: read-only with an install folder on it; G: room
# for a large entry; L: a folder with a volume label of 200 characters.
tmpfs_drive f 1m "$mnt/full" && tmpfs_drive g 800m "$mnt/big" && tmpfs_drive r 1m "$mnt/ro" ||
    { bad "mounting the test drives"; exit 1; }
mkdir -p "$mnt/ro/Varnel" && printf 'old program\r\n' >"$mnt/ro/Varnel/VARNEL.EXE"
mount -o remount,ro "$mnt/ro" || { bad "making R: read-only"; exit 1; }
printf 'kept\r\n' >"$mnt/full/keep.txt"
printf '%0200d' 0 | tr 0 L >"$mnt/label/.windows-label"
ln -sfn "$mnt/label" "$WINEPREFIX/dosdevices/l:"
relist_drives  # for the chooser's drive box

# The product: APP.RAR and HELP.RAR as in the wizard test, BIG.RAR with 4 MB
# that F: cannot hold, HUGE.RAR with 300 MB and a file behind it.
src=$(mktemp -d)
mkdir -p "$src/app" "$src/help/doc" "$src/big"
printf 'varnel program\r\n' >"$src/app/VARNEL.EXE"
printf 'skin\r\n' >"$src/app/ActiveSkin.ocx"
printf 'help index\r\n' >"$src/help/INDEX.HLP"
printf 'chapter one\r\n' >"$src/help/doc/ONE.TXT"
# Incompressible, of a fixed seed: the bytes must really reach the disk.
python3 -c 'import random,sys; sys.stdout.buffer.write(random.Random(13).randbytes(4000000))' >"$src/big/BIG.DAT"
printf 'tail\r\n' >"$src/big/TAIL.TXT"
(cd "$src/app" && rar a -idq -ep1 "$dist/APP.RAR" VARNEL.EXE ActiveSkin.ocx) &&
    (cd "$src/help" && rar a -idq -r "$dist/HELP.RAR" INDEX.HLP doc) &&
    (cd "$src/big" && rar a -idq "$dist/BIG.RAR" BIG.DAT) &&
    head -c 300000000 /dev/zero | rar a -idq -siHUGE.DAT "$dist/HUGE.RAR" &&
    (cd "$src/big" && rar a -idq "$dist/HUGE.RAR" TAIL.TXT) || { bad "rar failed"; exit 1; }
rm -rf "$src"
printf 'read me\r\n' >"$dist/README.TXT"
cp "$setup_exe" "$dist/setup.exe"
cp "$unrar_dll" "$dist/UNRAR.DLL"
cp "$vluninst" "$dist/VlUnInst.exe"

# write_ini INSTALLDIR FILE-LINE...: the script, with the program shortcut
# and the uninstall entry.
write_ini() {
    local dir=$1
    shift
    printf '%s\r\n' "[APP]" "NAME=Varnel" "VERSION=3.0" "INSTALLDIR=$dir" "FOLDER=Varnel" "TITLE=$title" \
        "UNINSTALL=Varnel 제거" "[FILES]" "$@" "[ICONS]" "ICON1=Programs,Varnel,<INSTALLDIR>\\VARNEL.EXE," |
        iconv -f UTF-8 -t CP949 >"$dist/SETUP.INI"
}

programs=$(unixpath "$(regval 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' Programs)")
group="$programs/Varnel 3.0"

# Everything a run may touch: files with hash, size, mode and time, folders,
# the uninstall entry and the product key.
state() {
    local p
    for p in "$sysdll" "$programs" "$@"; do
        [ -e "$p" ] || { echo "absent: $p"; continue; }
        # A folder's own time changes when the run adds and removes a file
        # in it; the files' times must not.
        find "$p" \( -type d -printf 'd %p\n' \) -o -printf '%y %p %s %m %T@\n' | sort
        find "$p" -type f -exec sha256sum {} + | sort
    done
    wreg query "$entry"
    wreg query 'HKCU\SOFTWARE\Tessaro\Varnel'
}
same_state() {  # BEFORE-FILE LABEL PLACES...
    local before=$1 label=$2
    shift 2
    if state "$@" | diff "$before" - >"$KIT_WINE_STATE/fault-diff.txt"; then
        ok "$label: disk and registry as before"
    else
        bad "$label: disk or registry changed: $(head -c 1500 "$KIT_WINE_STATE/fault-diff.txt")"
    fi
}

# Starts setup and goes to the install: pages 1 to 3, then Next.
install() {
    "$KIT_WINE" 'C:\faults\setup.exe' &
    pid=$!
    ui wait "$title" 30 >/dev/null || { bad "the wizard did not start"; return 1; }
    ui click "$title" "다음(N) >" >/dev/null
    ui wait "설치 경로" 10 >/dev/null
    ui click "설치 경로" "다음(N) >" >/dev/null
    ui wait "설치 시작" 10 >/dev/null || { bad "page 3 not reached"; return 1; }
    ui click "설치 시작" "다음(N) >" >/dev/null
}

# The box that ends a run that did not complete, its texts, and setup's end.
ends_with_box() {  # LABEL TEXT...
    local label=$1 out t
    shift
    ui wait "설치 마법사" 120 >/dev/null || { bad "$label: no box at the end of the run"; return; }
    out=$(ui text "설치 마법사")
    for t in "$@"; do has "$out" "$t" "$label: the box says '$t'"; done
    shot "$(echo "$label" | tr ' ' -)"
    ui list | grep -q "설치 완료"
    check $? 1 "$label: no finish page"
    ui key "설치 마법사" RETURN
    wait_pid "$pid"
    # The exit code tells a script the same: 2 cancelled, 3 failed.
    check $? "$([ "$label" = cancel ] && echo 2 || echo 3)" "$label: setup ends"
    pid=
}

# Holds setup still as soon as HUGE.DAT is being written; written is how
# much of it is on the disk (the library may set the file's size first).
stop_in_huge() {
    local huge=$mnt/big/Varnel/data/HUGE.DAT
    for _ in $(seq 1200); do [ -e "$huge" ] && break; sleep 0.05; done
    kill -STOP "$pid"
    written=$(($(stat -c %b "$huge" 2>/dev/null || echo 0) * 512))
}

failed="설치 중 오류가 발생하여 설치를 마치지 못했습니다."
undone="설치하던 파일은 지우고 설치하기 전의 상태로 되돌렸습니다."
wreg delete "$entry" /f >/dev/null
wreg delete 'HKCU\SOFTWARE\Tessaro\Varnel' /f >/dev/null
rm -rf "$group"
# An older UNRAR.DLL in the system folder, dated 2001: every failed run
# replaces it first and must put it back.
printf 'unrar 1.0' >"$sysdll" && touch -d '2001-02-03 12:00' "$sysdll"

echo "== a read-only install folder"
write_ini 'R:\Varnel' "FILE1=APP.RAR,<INSTALLDIR>," "FILE2=README.TXT,<INSTALLDIR>,COPY"
state "$mnt/ro" >"$KIT_WINE_STATE/before.txt"
install
ends_with_box "read-only folder" "$failed" 'R:\Varnel\VARNEL.EXE' "이 위치에 쓸 수 없습니다." "$undone"
same_state "$KIT_WINE_STATE/before.txt" "read-only folder" "$mnt/ro"

echo "== a disk that fills up in the middle of an archive"
write_ini 'F:\Varnel' "FILE1=APP.RAR,<INSTALLDIR>," "FILE2=BIG.RAR,<INSTALLDIR>\\data,"
state "$mnt/full" >"$KIT_WINE_STATE/before.txt"
install
ends_with_box "full disk" "$failed" 'F:\Varnel\data\BIG.DAT' "디스크 공간이 부족한지" "$undone"
same_state "$KIT_WINE_STATE/before.txt" "full disk" "$mnt/full"
check "$(ls -A "$mnt/full")" keep.txt "full disk: only the file that was there before"

# An older install on G:, made by setup itself and then aged.
echo "== an install over an older one, cancelled in the middle of an archive"
write_ini 'G:\Varnel' "FILE1=APP.RAR,<INSTALLDIR>," "FILE2=HELP.RAR,<INSTALLDIR>\\HELP,"
install
ui wait "설치 완료" 120 >/dev/null
check "$([ -f "$mnt/big/Varnel/INSTALL.LOG" ] && echo yes)" yes "the log is there while the finish page shows"
ui check "설치 완료" 1005 0 >/dev/null && ui click "설치 완료" "종료" >/dev/null
wait_pid "$pid"; pid=
printf 'Varnel 1.0 program\r\n' >"$mnt/big/Varnel/VARNEL.EXE"
printf 'my notes\r\n' >"$mnt/big/Varnel/NOTES.TXT"
chmod a-w "$mnt/big/Varnel/HELP/INDEX.HLP"  # read-only, as an archive may leave a file
find "$mnt/big/Varnel" "$group" -exec touch -h -d '2001-02-03 12:00' {} +
write_ini 'G:\Varnel' "FILE1=APP.RAR,<INSTALLDIR>," "FILE2=HELP.RAR,<INSTALLDIR>\\HELP," \
    "FILE3=HUGE.RAR,<INSTALLDIR>\\data,"
state "$mnt/big" >"$KIT_WINE_STATE/before.txt"
install
# The run is held still while the click is posted, so the cancel lands
# while HUGE.DAT is being written, whatever the machine's speed.
stop_in_huge
[ "$written" -lt 300000000 ]; check $? 0 "the cancel comes in the middle of HUGE.DAT ($written bytes)"
ui clickid "설치" 1; check $? 0 "the install form's 취소 is clicked"
kill -CONT "$pid"
ends_with_box "cancel" "프로그램 설치가 취소되었습니다."
same_state "$KIT_WINE_STATE/before.txt" "cancel over an older install" "$mnt/big"
check "$(cat "$mnt/big/Varnel/VARNEL.EXE")" $'Varnel 1.0 program\r' "the older program is back"

echo "== /SILENT: only the install form, and its 취소 undoes the run"
"$KIT_WINE" 'C:\faults\setup.exe' /SILENT '/LOG=C:\faults-silent.log' &
pid=$!
stop_in_huge
check "$(ui list | cut -f3 | tr -d '\r' | LC_ALL=C sort | tr '\n' '|')" "설치|" "the install form is the one window"
ui clickid "설치" 1; check $? 0 "its 취소 is clicked"
kill -CONT "$pid"
wait_pid "$pid"; check $? 2 "exit code 2: cancelled, with no box"
pid=
has "$(tr -d '\r' <"$C/faults-silent.log")" $'cancelled: by the user\nrollback: everything the run did is undone' \
    "the run log says so"
rm -f "$C/faults-silent.log"
same_state "$KIT_WINE_STATE/before.txt" "/SILENT cancel" "$mnt/big"

echo "== a killed run over the older install, and the run after it"
install
stop_in_huge
[ "$written" -lt 300000000 ]; check $? 0 "killed in the middle of HUGE.DAT ($written bytes)"
kill -9 "$pid"
wait "$pid" 2>/dev/null
pid=
check "$(cat "$mnt/big/Varnel/VARNEL.EXE")" $'varnel program\r' "the new program is in place of the older one"
check "$(cat "$mnt/big/Varnel/~setup-backup"/* | grep -c 'Varnel 1.0 program')" 1 "... which is in the backup folder"
check "$(regval "$entry" DisplayVersion)" "3.0" "the older uninstall entry stays"
journals=$C/windows/~setup-journal
check "$(ls "$journals" | wc -l)" 1 "the killed run left its journal"
install
# The next run says it undid the killed one before it changes anything.
ui wait "이전 설치" 60; check $? 0 "the next run tells that it undid the killed one"
has "$(ui text "이전 설치")" "설치하기 전의 상태로 되돌렸습니다" "... in Korean"
same_state "$KIT_WINE_STATE/before.txt" "the killed run undone" "$mnt/big"
check "$(cat "$mnt/big/Varnel/VARNEL.EXE")" $'Varnel 1.0 program\r' "the older program is back"
ui key "이전 설치" RETURN
ui wait "설치 완료" 300; check $? 0 "the next run completes"
ui check "설치 완료" 1005 0 >/dev/null && ui click "설치 완료" "종료" >/dev/null
wait_pid "$pid"; check $? "$RC_RESTART" "setup ends: installed, restart left to do"; pid=
log=$(iconv -f CP949 -t UTF-8 "$mnt/big/Varnel/INSTALL.LOG" 2>/dev/null | tr -d '\r')
has "$log" 'FILE:G:\Varnel\data\TAIL.TXT' "the log lists the last entry"
check "$(stat -c %s "$mnt/big/Varnel/data/HUGE.DAT")" 300000000 "the large entry is whole"
check "$(regval "$entry" UninstallString)" '"G:\Varnel\VlUnInst.exe" "G:\Varnel\INSTALL.LOG"' "the uninstall entry"
check "$([ -e "$journals" ] && echo left)" "" "no journal is left, nor its folder"
check "$(find "$mnt/big/Varnel" -name '~setup-backup*')" "" "nor a backup folder"
rm -rf "$mnt/big/Varnel" "$group"

echo "== a drive with a long volume label in the chooser"
write_ini 'C:\Program Files\Varnel' "FILE1=APP.RAR,<INSTALLDIR>,"
"$KIT_WINE" 'C:\faults\setup.exe' &
pid=$!
ui wait "$title" 30 >/dev/null
ui click "$title" "다음(N) >" >/dev/null
ui wait "설치 경로" 10 >/dev/null
ui click "설치 경로" "찾아보기(P)" >/dev/null
ui wait "선택" 10; check $? 0 "the chooser opens"
# From the directory list, Tab to the edit and to the drive box; Down goes
# from drive to drive (C:, F:, G:, L:).
want=$'Edit\t101\tL:\\Varnel'
edit() { ui text "선택" | awk -F'\t' '$1 == "Edit" && $2 == 101 { print $3 }'; }
moved() { [ "$(edit)" != "$1" ]; }
ui key "선택" TAB && ui key "선택" TAB
for _ in 1 2 3 4 5; do
    # One drive at a time: the next key only once the edit shows this one.
    before=$(edit)
    ui key "선택" DOWN
    eventually 10 moved "$before"
    out=$(ui text "선택")
    case "$out" in *"$want"*) break ;; esac
done
has "$out" "$want" "picking L: proposes L:\\Varnel"
has "$out" "L: [LLLLLLLLLL" "the drive box shows the long label"
shot long-label
ui click "선택" "취소" >/dev/null
ui close "설치 경로" >/dev/null
ui wait "종료" 10 >/dev/null && ui clickid "종료" 6 >/dev/null  # Yes
wait_pid "$pid"; check $? 2 "setup ends after the chooser, nothing installed"; pid=

rm -f "$sysdll"
echo "screenshots: $shots"
end_checks
