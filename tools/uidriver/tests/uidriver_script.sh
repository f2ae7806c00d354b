#!/usr/bin/env bash
# Drives the probe program through every uidriver command under Wine.
set -u
. "$(dirname "$0")/../../scenario-lib.sh"
uidriver=$1 probe=$2
run() { "$KIT_WINE" "$@"; }

# Message box: exact text, answer by button id, exit code is that answer.
run "$probe" msg & pid=$!
ui wait "드라이버 시험" 20; check $? 0 "wait finds the Korean title"
out=$(ui text "드라이버 시험")
case "$out" in *$'계속할까요?\n둘째 줄'*) r=0 ;; *) r=1; echo "$out" ;; esac
check $r 0 "text shows the message"
ui click "드라이버 시험" "없는 단추" 2>/dev/null; check $? 1 "click of a missing button fails"
ui clickid "드라이버 시험" 7; check $? 0 "clickid No"
ui gone "드라이버 시험" 10; check $? 0 "gone after the answer"
wait $pid; check $? 7 "message box answered No"

# Message box answered by key.
run "$probe" msg & pid=$!
ui wait "드라이버 시험" 20 >/dev/null
ui key "드라이버 시험" RETURN; check $? 0 "key RETURN"
wait $pid; check $? 6 "RETURN takes the default, Yes"

# Form: settext, check, click by text.
run "$probe" form & pid=$!
ui wait "시험 양식" 20; check $? 0 "wait form"
ui list | grep -q "시험 양식"; check $? 0 "list shows the form"
ui settext "시험 양식" 100 23; check $? 0 "settext"
ui check "시험 양식" 101 1; check $? 0 "check on"
ui click "시험 양식" "확인(O)"; check $? 0 "click by text without '&'"
wait $pid; check $? 123 "form saw the text and the check"

ui wait "없는 창" 1 2>/dev/null; check $? 1 "wait times out"
exit $((fails > 0))
