#!/usr/bin/env bash
# A signed self-extracting file under Wine: packed with the native packer,
# signed with osslsigncode and a throwaway certificate made here, then
# extracted by the stub with every entry CRC-checked and no error box; the
# same file with a damaged entry still reports that entry.
# Usage: selfext_signed.sh UIDRIVER LISTPROBE SELFEXT
set -u
here=$(cd "$(dirname "$0")" && pwd)
uidriver=$(realpath "$1") probe=$(realpath "$2") stub=$(realpath "$3")
shots=""
. "$here/selfext-lib.sh"
native="${KIT_NATIVE:?the build sets it}/tools/packer/packer"
[ -x "$native" ] || { echo "FAIL: no native packer at $native (bash tools/build.sh native)"; exit 1; }
work=$(mktemp -d /tmp/selfext-signed.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "$(osslsigncode -v 2>&1 | head -n1)"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Varnel kit test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
mkdir -p "$work/in/docs" "$work/out1" "$work/out2"
printf 'read me\r\n%.0s' $(seq 300) >"$work/in/docs/readme.txt"
python3 -c "import random; random.seed(18); open('$work/in/data.bin','wb').write(bytes(random.getrandbits(8) for _ in range(70000)))"
(cd "$work/in" && "$native" -s "$stub" -o ../plain.exe docs data.bin) >/dev/null || bad "packing"
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 -n "signed test" \
    -in "$work/plain.exe" -out "$work/signed.exe" >/dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >/dev/null 2>&1
check $? 0 "the signed file verifies"
check "$(( $(stat -c %s "$work/signed.exe") > $(stat -c %s "$work/plain.exe") ))" 1 \
    "the signature follows the archive"

start "$(winpath "$work/signed.exe")" "$work/out1"
check "$(lines | awk -F'\t' '{ print $2 }' | LC_ALL=C sort | tr '\n' ' ')" 'data.bin docs\readme.txt ' \
    "the list shows the two entries and nothing of the signature"
ui clickid "$MAIN" 121
ui settext "$MAIN" 101 "$(winpath "$work/out1")"
ui click "$MAIN" Extract
wait_status "$PASSED"; check $? 0 "every entry of the signed file passes its CRC check"
ui list | grep -qF "$RESULT"; check $? 1 "no result box after a clean pass"
check "$(same "$work/in/data.bin" "$work/out1/data.bin")" same "data.bin extracted byte for byte"
check "$(same "$work/in/docs/readme.txt" "$work/out1/docs/readme.txt")" same "docs\\readme.txt too"
finish "signed file"

# A damaged entry in a signed file: the signature is no longer valid, and
# the stub still names the entry it could not extract.
cp "$work/signed.exe" "$work/damaged.exe"
python3 "$here/sfx-edit.py" damage "$work/damaged.exe" data.bin
start "$(winpath "$work/damaged.exe")" "$work/out2"
ui clickid "$MAIN" 121
ui settext "$MAIN" 101 "$(winpath "$work/out2")"
ui click "$MAIN" Extract
box=$(result)
has "$box" "data.bin" "the result box names the damaged entry"
wait_status "$FAILED"; check $? 0 "the status line reports the failure"
check "$(selected)" "data.bin " "only the damaged entry stays highlighted"
check "$([ -e "$work/out2/data.bin" ] && echo there)" "" "no damaged file is left"
finish "damaged signed file"
end_checks
