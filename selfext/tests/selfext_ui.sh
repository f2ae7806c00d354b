#!/usr/bin/env bash
# Plays a user against self-extracting files made by our packer, under Wine:
# listing, selection, typed and chosen target paths, the overwrite modes and
# prompt, passwords, a damaged entry, hostile names, Cancel and file times.
# Screenshots of every dialog land in SHOTS (a build folder, not kept in git).
# Usage: selfext_ui.sh UIDRIVER LISTPROBE SELFEXT PACKER SHOTS
set -u
here=$(cd "$(dirname "$0")" && pwd)
uidriver=$(realpath "$1") probe=$(realpath "$2") stub=$(realpath "$3") packer=$(realpath "$4")
shots=$(realpath -m "$5")
. "$here/selfext-lib.sh"
mkdir -p "$shots"
work=$(mktemp -d /tmp/selfext-ui.XXXXXX)
trap 'rm -rf "$work"' EXIT

# pack FOLDER OPTIONS... OUTPUT INPUTS...: stored names are relative to FOLDER.
pack() {
    local dir=$1
    shift
    (cd "$dir" && run "$packer" -s "$(winpath "$stub")" "$@" 2>&1)
}
mtime() { stat -c %Y "$1"; }

# --- fixtures -----------------------------------------------------------
src=$work/src
mkdir -p "$src/docs/sub" "$work/flat" "$work/hostile/aa" "$work/hostile/Cx"
printf 'read me first\r\n%.0s' $(seq 200) >"$src/docs/readme.txt"
printf 'deep inside\r\n' >"$src/docs/sub/deep.txt"
python3 -c "import random; random.seed(7); open('$src/setup.exe','wb').write(bytes(random.getrandbits(8) for _ in range(300000)))"
touch -d '2021-06-15 10:20:30' "$src/docs/readme.txt"
touch -d '2019-01-02 03:04:06' "$src/docs/sub/deep.txt" "$src/setup.exe"
printf 'one\r\n' >"$work/flat/one.txt"
printf 'two\r\n' >"$work/flat/two.txt"
printf 'evil\r\n' >"$work/hostile/aa/evil1.txt"
printf 'evil\r\n' >"$work/hostile/Cx/evil2.txt"
printf 'fine\r\n' >"$work/hostile/fine.txt"
pack "$src" -o ../paths.exe docs setup.exe &&
    pack "$work/flat" -m lzh -o ../flat.exe one.txt two.txt &&
    pack "$src" -p 'pass word' -o ../secret.exe docs setup.exe &&
    pack "$src" -m stored -o ../damaged.exe docs setup.exe &&
    pack "$work/hostile" -o ../hostile.exe aa Cx fine.txt || { echo "FAIL: packer"; exit 1; }
check "$(stat -c %s "$stub")" "$(cat "$root/selfext/STUB_SIZE")" "the stub is padded to its fixed size"
python3 - "$work" <<'EOF'
import sys
w = sys.argv[1]
def patch(name, pairs):
    data = open(f'{w}/{name}', 'rb').read()
    for old, new in pairs:
        assert data.count(old) == 1, (name, old)
        data = data.replace(old, new)
    open(f'{w}/{name}', 'wb').write(data)
# A byte in the middle of the stored deep.txt data.
data = bytearray(open(f'{w}/damaged.exe', 'rb').read())
at = data.index(b'deep inside')
data[at + 3] ^= 0x20
open(f'{w}/damaged.exe', 'wb').write(bytes(data))
patch('hostile.exe', [(b'aa\\evil1.txt', b'..\\evil1.txt'), (b'Cx\\evil2.txt', b'C:\\evil2.txt')])
EOF

# --- the bare stub ------------------------------------------------------
cp "$stub" "$work/bare.exe"
(cd "$work" && exec "$root/tools/wine-run.sh" ./bare.exe) &
app=$!
ui wait "http://www.varnel.example/" 30 >/dev/null
check $? 0 "a stub without archive says so"
ui text "http://www.varnel.example/" | grep -q "Couldn't find archive."
check $? 0 "... with the text \"Couldn't find archive.\""
shot no-archive
ui clickid "http://www.varnel.example/" 1
wait "$app"
check $? 0 "... and ends with exit code 0"

# --- listing and selection ---------------------------------------------
mkdir -p "$work/run1"
cp "$work/paths.exe" "$work/run1/"
start ./paths.exe "$work/run1"
shot main
check "$(ui text "$MAIN" | awk -F'\t' '$2 == 101 { print $3 }')" "$(winpath "$work/run1")" \
    "the path edit starts with the current folder"
check "$(selected)" 'docs\readme.txt docs\sub\deep.txt setup.exe ' "every stored path is listed and selected"
check "$(P state "$MAIN" 401)" "1	1" "Use Stored Paths is ticked and enabled"
ui clickid "$MAIN" 122
check "$(selected)" "" "Unselect All clears every line"
check "$(status)" "" "... and the status line"
ui clickid "$MAIN" 121
check "$(selected)" 'docs\readme.txt docs\sub\deep.txt setup.exe ' "Select All selects every line"
ui check "$MAIN" 401 0
check "$(selected)" 'deep.txt readme.txt setup.exe ' "without stored paths the bare names are listed, reselected"
ui check "$MAIN" 401 1

# Nothing selected: a message instead of silence.
ui clickid "$MAIN" 122
ui click "$MAIN" Extract
ui wait "$RESULT" 20 >/dev/null
check $? 0 "an Extract with nothing selected says so"
shot nothing-selected
ui clickid "$RESULT" 1
ui clickid "$MAIN" 121

# --- extract to a typed path -------------------------------------------
out1=$work/typed/target
ui settext "$MAIN" 101 "$(winpath "$out1")"
ui click "$MAIN" Extract
wait_status "$PASSED"
check $? 0 "extract to a typed path passes every CRC"
check "$(selected)" "" "... and deselects every line"
for f in docs/readme.txt docs/sub/deep.txt setup.exe; do
    check "$(same "$src/$f" "$out1/$f")" same "$f extracted intact"
    check "$(mtime "$out1/$f")" "$(python3 "$here/stored-time.py" "$work/paths.exe" "${f//\//\\}")" \
        "$f carries its stored time"
done

# --- overwrite modes ---------------------------------------------------
ui clickid "$MAIN" 121
for f in docs/readme.txt docs/sub/deep.txt setup.exe; do echo changed >"$out1/$f"; done
ui click "$MAIN" Extract
ui wait "Confirm overwrite of..." 20 >/dev/null
check $? 0 "Confirm asks before overwriting"
shot overwrite-prompt
ui text "Confirm overwrite of..." | grep -q "readme.txt...already exists, overwrite?"
check $? 0 "... naming the file"
ui key "Confirm overwrite of..." ESCAPE
ui wait "Confirm overwrite of..." 20 >/dev/null
ui check "Confirm overwrite of..." 401 1
ui click "Confirm overwrite of..." Yes
wait_status "$PASSED"
check "$(cat "$out1/docs/readme.txt")" changed "Esc answered No: readme.txt kept"
check "$(same "$src/setup.exe" "$out1/setup.exe")" same "Don't ask again + Yes overwrites the rest"
check "$(P state "$MAIN" 501)" "1	1" "... and selects Overwrite in the main dialog"
check "$(P state "$MAIN" 503)" "0	1" "... instead of Confirm"

echo changed >"$out1/setup.exe"
ui check "$MAIN" 502 1
ui clickid "$MAIN" 121
ui click "$MAIN" Extract
wait_status "$PASSED"
check "$(cat "$out1/setup.exe")" changed "Skip leaves an existing file alone"
ui check "$MAIN" 501 1
ui clickid "$MAIN" 121
ui click "$MAIN" Extract
wait_status "$PASSED"
check "$(same "$src/setup.exe" "$out1/setup.exe")" same "Overwrite replaces it without asking"

# --- Cancel: pressed while the overwrite prompt holds the pass ----------
ui check "$MAIN" 503 1
ui clickid "$MAIN" 121
ui click "$MAIN" Extract
ui wait "Confirm overwrite of..." 20 >/dev/null
shot progress
ui clickid Progress 3
ui click "Confirm overwrite of..." Yes
ui wait "$RESULT" 20 >/dev/null
check $? 0 "Cancel ends the pass after the current file"
ui text "$RESULT" | grep -q "cancelled"
check $? 0 "... and the summary says so"
shot cancelled
ui clickid "$RESULT" 1
check "$(selected)" 'docs\sub\deep.txt setup.exe ' "... the files not reached stay selected"

# --- the directory chooser ---------------------------------------------
before=$(ui text "$MAIN" | awk -F'\t' '$2 == 101 { print $3 }')
ui click "$MAIN" "..."
ui wait "Select extract directory" 20 >/dev/null
check $? 0 "... opens the directory chooser"
shot chooser
ui click "Select extract directory" Cancel
ui gone "Select extract directory" 10
check "$(ui text "$MAIN" | awk -F'\t' '$2 == 101 { print $3 }')" "$before" "Cancel leaves the path edit alone"

mkdir -p "$work/pick"
ui settext "$MAIN" 101 "$(winpath "$work/pick")"
ui click "$MAIN" "..."
ui wait "Select extract directory" 20 >/dev/null
P lines "Select extract directory" 2003 | head -1 | grep -q '\[\.\.\]'
check $? 0 "the chooser lists [..] first"
ui click "Select extract directory" "New..."
ui wait "Create subdirectory" 20 >/dev/null
check $? 0 "New... opens Create subdirectory"
ui settext "Create subdirectory" 3002 'bad:name'
ui click "Create subdirectory" OK
ui wait "Error" 10 >/dev/null
check $? 0 "a name with a colon is refused"
ui text "Error" | grep -q "Couldn't create directory"
check $? 0 "... with \"Couldn't create directory\""
ui clickid "Error" 1
ui settext "Create subdirectory" 3002 'made\inner'
shot create-subdirectory
ui click "Create subdirectory" OK
ui gone "Create subdirectory" 10
check "$([ -d "$work/pick/made/inner" ] && echo yes)" yes "New... creates both levels"
chooser_at() { ui text "Select extract directory" | awk -F'\t' '$2 == 2001 { print $3 }' | grep -q "$1"; }
eventually 10 chooser_at 'made\\inner\\$'
check $? 0 "the chooser then lists the new folder"
P dblclick "Select extract directory" 2003 "[..]"
eventually 10 chooser_at 'made\\$'
check $? 0 "double-clicking [..] lists the parent"
shot chooser-parent
ui click "Select extract directory" OK
ui gone "Select extract directory" 10
# The listing call names the drive in lower case.
check "$(ui text "$MAIN" | awk -F'\t' '$2 == 101 { print tolower($3) }')" \
    "$(winpath "$work/pick/made/" | tr A-Z a-z)" "OK puts the listed folder into the path edit"
ui clickid "$MAIN" 121
ui click "$MAIN" Extract
wait_status "$PASSED"
check "$(same "$src/setup.exe" "$work/pick/made/setup.exe")" same "extract into the chosen folder"
finish "paths"

# --- an archive without folders, LZH -----------------------------------
mkdir -p "$work/run2"
start "$(winpath "$work/flat.exe")" "$work/run2"
check "$(P state "$MAIN" 401)" "0	0" "no stored folders: Use Stored Paths unticked and disabled"
ui settext "$MAIN" 101 ""
ui click "$MAIN" Extract
wait_status "$PASSED"
check "$(same "$work/flat/two.txt" "$work/run2/two.txt")" same "an empty path edit extracts into the current folder (LZH)"
check "$(ui text "$MAIN" | awk -F'\t' '$2 == 101 { print $3 }')" "$(winpath "$work/run2")" "... and shows it"
finish "flat"

# --- passwords ---------------------------------------------------------
mkdir -p "$work/run3"
start "$(winpath "$work/secret.exe")" "$work/run3"
ui click "$MAIN" Extract
ui wait "Enter Password..." 20 >/dev/null
check $? 0 "an encrypted entry asks for the password"
shot password
ui key "Enter Password..." ESCAPE
ui gone "Enter Password..." 2 >/dev/null
check $? 1 "Esc leaves the password prompt open"
ui settext "Enter Password..." 101 'pass word'
ui key "Enter Password..." RETURN
wait_status "$PASSED"
check $? 0 "the right password extracts every entry, asked once"
check "$(same "$src/docs/readme.txt" "$work/run3/docs/readme.txt")" same "... intact"
finish "secret"

mkdir -p "$work/run4"
start "$(winpath "$work/secret.exe")" "$work/run4"
notice=$(status)
# Wrong passwords that the entries' check byte refuses: one in 256 passes it
# (the packer draws each encryption header afresh), and is then a CRC failure.
wrong=()
for n in $(seq 100); do
    if ! run "$packer" -p "wrong $n" -t "$(winpath "$work/secret.exe")" 2>/dev/null | tr -d '\r' |
        grep -v '^packer: ' | grep -qv 'password refused'; then
        wrong+=("wrong $n")
    fi
    [ ${#wrong[@]} -eq 3 ] && break
done
ui click "$MAIN" Extract
for attempt in 1 2 3; do
    ui wait "Enter Password..." 20 >/dev/null
    check $? 0 "wrong password: prompt $attempt"
    ui settext "Enter Password..." 101 "${wrong[attempt - 1]}"
    ui key "Enter Password..." RETURN
    ui gone "Enter Password..." 10
done
ui wait "Enter Password..." 2 >/dev/null 2>&1
check $? 1 "after three wrong passwords no fourth prompt"
check "$(status)" "$notice" "... and no summary"
check "$(ls "$work/run4" | wc -l)" 0 "... and nothing written"
finish "wrong password"

# --- a damaged entry ---------------------------------------------------
mkdir -p "$work/run5"
start "$(winpath "$work/damaged.exe")" "$work/run5"
ui click "$MAIN" Extract
ui wait "$RESULT" 20 >/dev/null
check $? 0 "a damaged entry is reported"
ui text "$RESULT" | grep -qF "$FAILED"
check $? 0 "... with the failure summary"
shot damaged
ui clickid "$RESULT" 1
check "$(selected)" 'docs\sub\deep.txt ' "only the damaged entry stays highlighted"
check "$(status)" "$FAILED" "... and the status line holds the summary"
touch -d '2000-01-01' "$work/run5/setup.exe"
ui check "$MAIN" 501 1
ui click "$MAIN" Extract
ui wait "$RESULT" 20 >/dev/null
ui clickid "$RESULT" 1
check "$(mtime "$work/run5/setup.exe")" "$(date -d 2000-01-01 +%s)" "a second Extract takes only the highlighted entry"
finish "damaged"

# --- hostile names -----------------------------------------------------
mkdir -p "$work/run6/inside"
start "$(winpath "$work/hostile.exe")" "$work/run6/inside"
ui click "$MAIN" Extract
ui wait "Unsafe file name" 20 >/dev/null
check $? 0 "a name leading outside the extract path is refused"
shot unsafe-name
ui clickid "Unsafe file name" 1
ui wait "$RESULT" 20 >/dev/null
ui clickid "$RESULT" 1
ui wait "Unsafe file name" 1 >/dev/null 2>&1
check $? 1 "... told once per pass"
check "$(ls "$work/run6")" inside "nothing written beside the extract path"
check "$(cat "$work/run6/inside/fine.txt" | tr -d '\r')" fine "the harmless entry is extracted"
check "$(selected)" '..\evil1.txt C:\evil2.txt ' "the refused entries stay highlighted"
finish "hostile"

echo "screenshots in $shots"
end_checks
