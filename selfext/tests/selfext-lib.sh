# The self-extractor scenarios' own helpers over tools/scenario-lib.sh: the
# main dialog's texts, its status line, starting and ending the stub, and
# the list probe. Sourced after $uidriver, $probe and $stub are set.
. "$(dirname "${BASH_SOURCE[0]}")/../../tools/scenario-lib.sh"
MAIN="Self Extract"
RESULT="Self Extract - Result"
PASSED="CRC validation passed on all file( s )... extraction successful"
FAILED="The remaining hilited file( s ) failed CRC validation"
run() { "$KIT_WINE" "$@"; }
P() { run "$probe" "$@" | tr -d '\r'; }
status() { ui text "$MAIN" | awk -F'\t' '$2 == 601 { print $3 }'; }
lines() { P lines "$MAIN" 301; }
selected() { lines | awk -F'\t' '$1 == 1 { print $2 }' | LC_ALL=C sort | tr '\n' ' '; }
# Waits until the status line reads $1 (the pass has ended).
status_is() { [ "$(status)" = "$1" ]; }
wait_status() {
    eventually 30 status_is "$1" && return 0
    echo "status is '$(status)'"
    return 1
}
# Starts SELFEXT in folder $2; the pid is in $app.
start() {
    (cd "$2" && exec "$root/tools/wine-run.sh" "$1") &
    app=$!
    # Nothing below makes sense without the dialog.
    ui wait "$MAIN" 30 >/dev/null || { echo "FAIL: $1 did not start"; exit 1; }
    # The window shows before its first activation lists the archive and
    # fills the path; a check or a typed path before then races it.
    eventually 10 all_listed
}
all_listed() { lines | awk -F'\t' '$1 != 1 { bad = 1 } END { exit (NR == 0 || bad) }'; }
finish() {
    ui key "$MAIN" ESCAPE
    wait "$app"
    check $? 0 "$1: Esc ends the program with exit code 0"
}
# The text of the result box, then closes it.
result() {
    ui wait "$RESULT" 30 >/dev/null || { echo "no result box"; return 1; }
    ui text "$RESULT" | tr -d '\r'
    ui clickid "$RESULT" 1 >/dev/null
}
same() { cmp -s "$1" "$2" && echo same || echo differs; }
