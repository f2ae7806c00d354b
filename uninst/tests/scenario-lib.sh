# The uninstaller scenarios' own helpers over tools/scenario-lib.sh: its
# registry tool, its texts and starting VlUnInst as the system would.
# Sourced after $uidriver and $regtool are set.
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/scenario-lib.sh"
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
SESSION='HKLM\System\CurrentControlSet\Control\Session Manager'
CONFIRM=$'Static\t65535\t주의! 해당 프로그램과 자료가 지워집니다.\r\r프로그램을 컴퓨터에서 삭제 하시겠습니까?'
DONE=$'Static\t65535\t프로그램 삭제를 완료 했습니다.'
rt() { "$KIT_WINE" "$regtool" "$@"; }
# The box's static text, exactly, among the lines uidriver prints.
box_says() { if ui text "$1" | grep -qxF "$2"; then ok "$1 box text"; else bad "$1 box text"; ui text "$1"; fi; }
# Starts VlUnInst with a command line exactly as the system would; the exit
# code lands in $C/rc once it ends.
start() { rm -f "$C/rc"; ( ui run "$1" 90; echo $? >"$C/rc" ) & runpid=$!; }
finish() { wait "$runpid"; RC=$(cat "$C/rc"); }
absent() { [ ! -e "$1" ]; }
waitgone() { eventually 30 absent "$1"; }
