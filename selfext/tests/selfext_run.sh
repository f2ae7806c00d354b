#!/usr/bin/env bash
# The program a self-extracting file starts, under Wine. Unattended (/S): the
# private folder beside /D= or the recorded one (a prepared folder of that
# name never used), the arguments after --, the program's exit code, and the
# stub's own code for every way it fails (bad switches, a damaged entry, a
# missing or wrong password, a full disk, a program that cannot start, no
# folder of its own) with nothing started and nothing left; no window at
# all. Interactive: Extract starts the program and closes, a failed entry
# starts nothing. Then a signed file, and mkdist's one-file distribution of
# the sample product starting the real setup wizard. Needs root (it mounts
# a small tmpfs as a Wine drive) and the native packer and mkdist.
# Usage: selfext_run.sh UIDRIVER LISTPROBE SELFEXT RUNPROBE KIT_BIN SHOTS
set -u
here=$(cd "$(dirname "$0")" && pwd)
uidriver=$(realpath "$1") probe=$(realpath "$2") stub=$(realpath "$3") runprobe=$(realpath "$4")
kit=$(realpath "$5") shots=$(realpath -m "$6")
. "$here/selfext-lib.sh"
native="${KIT_NATIVE:?the build sets it}/tools/packer/packer"
mkdist="$KIT_NATIVE/tools/distbuild/mkdist"
for tool in "$native" "$mkdist"; do
    [ -x "$tool" ] || { echo "FAIL: no $tool (bash tools/build.sh native)"; exit 1; }
done
mkdir -p "$shots"
work=$(mktemp -d /tmp/selfext-run.XXXXXX)
disk="$root/build/sxrundisk.$$"
cleanup() {
    drop_drive r "$disk"
    rm -rf "$work" "$C/sxrun"
}
trap cleanup EXIT

# silent FILE ARGUMENTS: runs FILE with the command line ARGUMENTS exactly as
# written, waits, and prints its exit code.
silent() {
    ui run "$(winpath "$1") $2" 60 >/dev/null 2>&1
    echo $?
}
probe_log() { tr -d '\r' <"$1/runprobe.txt" 2>/dev/null; }

# --- fixtures: the probe as setup.exe, beside some files ---------------
src=$work/src
mkdir -p "$src/docs"
cp "$runprobe" "$src/setup.exe"
printf 'read me\r\n%.0s' $(seq 100) >"$src/docs/readme.txt"
python3 -c "import random; random.seed(17); open('$src/data.bin','wb').write(bytes(random.getrandbits(8) for _ in range(50000)))"
printf 'notes\r\n' >"$src/notes.zzz"
pack() { (cd "$src" && "$native" -s "$stub" "$@" setup.exe docs data.bin notes.zzz) >/dev/null; }
pack --run setup.exe --silent-dir '%TEMP%\sxrun' -o ../run.exe &&
    pack -m stored --run setup.exe -o ../damaged.exe &&
    pack -p 'pass word' --run setup.exe -o ../secret.exe &&
    pack -o ../plain.exe &&
    pack --run notes.zzz -o ../nostart.exe || { echo "FAIL: packer"; exit 1; }
python3 "$here/sfx-edit.py" damage "$work/damaged.exe" data.bin
# The second entry's signature damaged: the walk would end there.
python3 - "$work/run.exe" "$work/cut.exe" <<'EOF2'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
second = data.index(b'KZ\x05\x07', data.index(b'KZ\x05\x07', 39424) + 4)
data[second] ^= 0x01
open(sys.argv[2], 'wb').write(data)
EOF2
"$native" -l "$work/run.exe" | grep -q '^runs: setup.exe$'
check $? 0 "the packer lists the recorded program"
C_work=$C/sxrun
mkdir -p "$C_work"

# --- unattended --------------------------------------------------------
# With a program recorded, /S unpacks into a new folder of its own beside the
# one asked for, starts the program there and removes the folder once the
# program has ended. The probe logs outside it and, with wait=, holds the
# run until the test has looked inside.
staged() { tr -d '\r' <"$1" | sed -n 's/^cwd=//p' | head -n 1; }
left() { find "$(dirname "$1")" -maxdepth 1 -name "$(basename "$1").*" 2>/dev/null; }
rm -f "$C_work/p1.txt" "$C_work/go1"
(silent "$work/run.exe" "/S /D=C:\\sxrun\\d1 -- log=C:\\sxrun\\p1.txt wait=C:\\sxrun\\go1 exit=7 /LOG=\"C:\\a b.log\"" \
    >"$work/rc1") &
waiter=$!
for _ in $(seq 120); do [ -s "$C_work/p1.txt" ] && break; sleep 0.5; done
stage=$(staged "$C_work/p1.txt")
case "$stage" in
    'C:\sxrun\d1.'[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]) ok "the program runs in a new folder beside /D=: $stage" ;;
    *) bad "the program runs in a new folder beside /D= (got '$stage')" ;;
esac
out=$(unixpath "$stage")
for f in setup.exe docs/readme.txt data.bin notes.zzz; do
    check "$(same "$src/$f" "$out/$f")" same "/S extracted $f there"
done
gone "$C_work/d1"
has "$(tr -d '\r' <"$C_work/p1.txt")" 'setup.exe" log=C:\sxrun\p1.txt wait=C:\sxrun\go1 exit=7 /LOG="C:\a b.log"' \
    "the arguments after -- reach the program unchanged"
touch "$C_work/go1"
wait "$waiter"
check "$(cat "$work/rc1")" 7 "/S exits with the program's code"
gone "$out"

# No window at all: none while the program runs, and none from the stub.
(ui run "$(winpath "$work/run.exe") /s /d=C:\\sxrun\\d1 -- sleep=4" 60 >/dev/null 2>&1) &
waiter=$!
windows=
while kill -0 "$waiter" 2>/dev/null; do
    windows+=$(ui list 2>/dev/null | tr -d '\r')
    sleep 0.3
done
check "$windows" "" "no window for as long as the silent run works"
wait "$waiter"
check $? 0 "... and exit code 0 from the program"
check "$(left "$C_work/d1")" "" "... its folder removed"

# A folder prepared under the name asked for is neither used nor changed.
mkdir -p "$C_work/d1"
cp "$runprobe" "$C_work/d1/setup.exe"
echo planted >"$C_work/d1/UNRAR.DLL"
(cd "$C_work/d1" && find . -type f -exec md5sum {} + | sort) >"$work/planted"
check "$(silent "$work/run.exe" "/S /D=C:\\sxrun\\d1 -- log=C:\\sxrun\\p2.txt")" 0 "a prepared folder of that name"
case "$(staged "$C_work/p2.txt")" in
    'C:\sxrun\d1.'*) ok "... is not where the program runs" ;;
    *) bad "... is not where the program runs (got '$(staged "$C_work/p2.txt")')" ;;
esac
check "$(cd "$C_work/d1" && find . -type f -exec md5sum {} + | sort)" "$(cat "$work/planted")" \
    "... and keeps exactly what was planted"
gone "$C_work/d1/runprobe.txt"
check "$(left "$C_work/d1")" "" "... the run's own folder removed"

temp=$(unixpath "$("$KIT_WINE" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")
rm -rf "$temp/sxrun"
(cd "$work" && silent "$work/run.exe" "/S -- log=C:\\sxrun\\p3.txt") >"$work/rc"
check "$(cat "$work/rc")" 0 "/S without /D= uses the recorded folder"
case "$(staged "$C_work/p3.txt")" in
    "$(winpath "$temp")\\sxrun."????????) ok "... beside %TEMP%\\sxrun, expanded" ;;
    *) bad "... beside %TEMP%\\sxrun (got '$(staged "$C_work/p3.txt")')" ;;
esac
gone "$temp/sxrun"
check "$(left "$temp/sxrun")" "" "... and removed"

mkdir -p "$work/here"
(cd "$work/here" && silent "$work/plain.exe" "/S") >"$work/rc"
check "$(cat "$work/rc")" 0 "no program recorded: /S extracts into the current folder and ends with 0"
check "$(same "$src/data.bin" "$work/here/data.bin")" same "... every entry"
gone "$work/here/runprobe.txt"
echo changed >"$work/here/docs/readme.txt"
(cd "$work/here" && silent "$work/plain.exe" "/S") >"$work/rc"
check "$(same "$src/docs/readme.txt" "$work/here/docs/readme.txt")" same "... a second run replaces an existing file"

check "$(silent "$work/damaged.exe" "/S /D=C:\\sxrun\\d2")" 104 "a damaged entry: exit code 104"
gone "$C_work/d2"
check "$(left "$C_work/d2")" "" "... nothing started, nothing left"

check "$(silent "$work/cut.exe" "/S /D=C:\\sxrun\\d7")" 102 "a damaged entry header: 102"
check "$(left "$C_work/d7")" "" "... nothing left"

check "$(silent "$work/secret.exe" "/S /D=C:\\sxrun\\d3")" 103 "an encrypted archive without /P=: 103"
check "$(silent "$work/secret.exe" "/S /D=C:\\sxrun\\d3 /P=wrong")" 103 "... with the wrong password: 103"
check "$(left "$C_work/d3")" "" "... nothing left"
check "$(silent "$work/secret.exe" "/S \"/P=pass word\" /D=C:\\sxrun\\d3 -- exit=3")" 3 \
    "the right password: the program's code"

for bad in "/S /X" "/S /D=" "/S /S" "/S /P=$(printf 'p%.0s' $(seq 25))" "/S /DC:\\sxrun\\d4"; do
    check "$(silent "$work/run.exe" "$bad /D=C:\\sxrun\\d4")" 101 "bad command line \"$bad\": 101"
done
gone "$C_work/d4"
check "$(left "$C_work/d4")" "" "... nothing made"

check "$(silent "$work/nostart.exe" "/S /D=C:\\sxrun\\d5")" 105 "a program that cannot be started: 105"
check "$(left "$C_work/d5")" "" "... its folder removed"
check "$(silent "$work/run.exe" "/S /D=Q:\\nowhere")" 106 "no folder of its own can be made: 106"

# A full disk: the existing file stays, nothing is started.
tmpfs_drive r 1m "$disk" || { bad "cannot mount a tmpfs"; exit 1; }
mkdir -p "$work/f"
cp "$src/setup.exe" "$work/f/"
head -c 1100000 /dev/urandom >"$work/f/big.bin"
(cd "$work/f" && "$native" -s "$stub" -m stored -o ../full.exe setup.exe big.bin &&
    "$native" -s "$stub" -m stored --run setup.exe -o ../fullrun.exe setup.exe big.bin) >/dev/null ||
    bad "packer (full disk)"
head -c 300000 /dev/urandom >"$disk/big.bin"
cp "$disk/big.bin" "$work/precious"
check "$(silent "$work/full.exe" "/S /D=R:\\")" 104 "a full disk: 104"
check "$(same "$work/precious" "$disk/big.bin")" same "... the existing file stays byte for byte"
check "$(find "$disk" -name '~sx*' | wc -l)" 0 "... no temporary file left"
rm -f "$disk/setup.exe"  # what the run without a program put in place
check "$(silent "$work/fullrun.exe" "/S /D=R:\\")" 104 "a full disk with a program to start: 104"
check "$(find "$disk" -mindepth 1 ! -name big.bin)" "" "... nothing started, nothing left"
drop_drive r "$disk"

# --- interactive -------------------------------------------------------
mkdir -p "$work/i1"
start "$(winpath "$work/run.exe")" "$work/i1"
ui settext "$MAIN" 101 "$(winpath "$work/i1/out")"
ui click "$MAIN" Extract
wait "$app"
check $? 0 "Extract starts the program and the stub closes with 0"
for _ in $(seq 20); do [ -s "$work/i1/out/runprobe.txt" ] && break; sleep 0.5; done
has "$(probe_log "$work/i1/out")" "cwd=$(winpath "$work/i1/out")" "... the program, in the extract folder"

mkdir -p "$work/i2"
start "$(winpath "$work/damaged.exe")" "$work/i2"
ui click "$MAIN" Extract
has "$(result)" "data.bin" "a failed entry is reported as before"
eventually 2 test -e "$work/i2/runprobe.txt"
check $? 1 "... the program is not started"
ui wait "$MAIN" 1 >/dev/null
check $? 0 "... and the dialog stays, nothing started"
finish "damaged, interactive"

mkdir -p "$work/i3"
(cd "$work/i3" && exec "$root/tools/wine-run.sh" "$(winpath "$work/run.exe")" /X /D=C:\\nowhere) &
app=$!
ui wait "$MAIN" 30 >/dev/null
check $? 0 "without /S the command line is ignored: the dialog opens"
finish "no /S"

# --- signed after packing ----------------------------------------------
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Varnel kit test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 -in "$work/run.exe" \
    -out "$work/signed.exe" >/dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >/dev/null 2>&1
check $? 0 "a file with a run record signs and verifies"
check "$(silent "$work/signed.exe" "/S /D=C:\\sxrun\\d6 -- exit=5")" 5 "the signed file runs its program"

# --- mkdist: the sample product in one file, starting the real setup ----
product=$work/product
cp -r "$root/samples/varnel/product" "$product"
cp "$kit/Varnel.exe" "$kit/VarShell.dll" "$product/PROGRAM/"
said=$("$mkdist" --kit "$kit" --sfx "$work/VarnelSetup.exe" --packer "$native" --stub "$stub" \
    --run nosuch.exe "$product" "$work/dist" 2>&1)
check $? 1 "mkdist --run with a file the distribution lacks is refused"
has "$said" "--run nosuch.exe: the distribution has no such file" "... naming it"
gone "$work/dist"
"$mkdist" --kit "$kit" --sfx "$work/VarnelSetup.exe" --packer "$native" --stub "$stub" --run setup.exe \
    "$product" "$work/dist" >/dev/null
check $? 0 "mkdist --sfx --run setup.exe"
listing=$("$native" -l "$work/VarnelSetup.exe")
has "$listing" "runs: setup.exe" "... records setup.exe"
has "$listing" 'silent folder: %TEMP%\VarnelSetup' "... and a folder of the user's own"
mkdir -p "$work/m"
start "$(winpath "$work/VarnelSetup.exe")" "$work/m"
ui settext "$MAIN" 101 'C:\sxrun\VarnelSetup'
ui click "$MAIN" Extract
wait "$app"
check $? 0 "the one-file distribution unpacks and closes"
wizard="Varnel 2.0 설치"
ui wait "$wizard" 30 >/dev/null
check $? 0 "... and the setup wizard appears"
shot wizard-from-sfx
ui close "$wizard"
ui wait "종료" 10 >/dev/null && ui clickid "종료" 6 >/dev/null
ui gone "$wizard" 20
check $? 0 "the wizard, closed, leaves"
check "$(same "$work/dist/setup.exe" "$C_work/VarnelSetup/setup.exe")" same "setup.exe came from the file"

echo "screenshots in $shots"
end_checks
