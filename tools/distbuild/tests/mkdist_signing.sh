#!/usr/bin/env bash
# Signing a distribution: a throwaway code-signing certificate made here with
# openssl (no key is ever kept), mkdist signs setup.exe, VlUnInst.exe,
# UNRAR.DLL and the self-extracting file, osslsigncode accepts each with that
# certificate as the trust anchor, and a byte changed afterwards is caught.
# Usage: mkdist_signing.sh MKDIST KITDIR PACKER STUB
set -u
mkdist=$1 kit=$2 packer=$3 stub=$4
work=$(mktemp -d /tmp/kit-sign.XXXXXX)
trap 'rm -rf "$work"' EXIT
fails=0
check() { if [ "$1" = "$2" ]; then echo "ok: $3"; else echo "FAIL: $3 (got '$1', want '$2')"; fails=$((fails + 1)); fi; }
echo "$(osslsigncode -v 2>&1 | head -n1); $(openssl version)"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Varnel kit test signer" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.p12" \
    -passout pass:'p12 secret'

mkdir -p "$work/product/APP"
printf 'program\r\n' >"$work/product/APP/app.exe"
printf '%s\r\n' '[APP]' 'NAME=Signed' 'VERSION=1.0' 'INSTALLDIR=C:\Signed' '[FILES]' 'FILE1=APP.RAR,<INSTALLDIR>' \
    >"$work/product/SETUP.INI"
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1; }

"$mkdist" --kit "$kit" --sign-cert "$work/cert.pem" --sign-key "$work/key.pem" \
    --sfx "$work/Signed.exe" --packer "$packer" --stub "$stub" "$work/product" "$work/dist" >"$work/mkdist.log" 2>&1
check $? 0 "mkdist signs a distribution with a PEM certificate and key"
for f in dist/setup.exe dist/VlUnInst.exe dist/UNRAR.DLL Signed.exe; do
    verify "$work/$f"; check $? 0 "$f verifies against the test certificate"
done
grep -q 'Signature verification: ok' "$work/verify.log"; check $? 0 "the signature itself checks out"
printf 'Z' | dd of="$work/dist/setup.exe" bs=1 seek=2000 conv=notrunc 2>/dev/null
verify "$work/dist/setup.exe"; check $? 1 "a changed byte fails verification"

# The packer signs a file it writes, and replaces nothing when it cannot.
printf 'x' >"$work/x.txt"
"$packer" -s "$stub" --sign-cert "$work/cert.pem" --sign-key "$work/key.pem" -o "$work/packed.exe" \
    "$work/x.txt" >/dev/null 2>&1
check $? 0 "packer --sign-cert/--sign-key signs what it writes"
verify "$work/packed.exe"; check $? 0 "... and the result verifies"
"$packer" -s "$stub" --sign-cert "$work/cert.pem" --sign-key "$work/nokey.pem" -o "$work/packed2.exe" \
    "$work/x.txt" >/dev/null 2>&1
check $? 1 "a key that cannot be read fails the packer"
check "$([ -e "$work/packed2.exe" ] && echo left)" "" "... and leaves no unsigned file behind"

# The PKCS#12 password comes from the environment only.
KIT_SIGN_PASSWORD='p12 secret' "$mkdist" --kit "$kit" --sign-pkcs12 "$work/signer.p12" \
    "$work/product" "$work/dist2" >"$work/mkdist2.log" 2>&1
check $? 0 "mkdist signs with a PKCS#12 file and a password from KIT_SIGN_PASSWORD"
verify "$work/dist2/setup.exe"; check $? 0 "... and the result verifies"
KIT_SIGN_PASSWORD='wrong' "$mkdist" --kit "$kit" --sign-pkcs12 "$work/signer.p12" \
    "$work/product" "$work/dist3" >"$work/mkdist3.log" 2>&1
check $? 1 "a wrong password fails the run"
check "$([ -e "$work/dist3" ] || [ -e "$work/dist3.partial" ] && echo left)" "" "... and leaves no distribution"
# A packer or a signer that fails leaves the earlier distribution and file
# exactly as they were, even with --force, and nothing half-made.
"$mkdist" --kit "$kit" --sfx "$work/One.exe" --packer "$packer" --stub "$stub" "$work/product" "$work/one" \
    >/dev/null 2>&1
check $? 0 "an unsigned distribution with its one file"
before=$(cd "$work" && find one One.exe -type f -exec md5sum {} + | sort)
printf '#!/bin/sh\nwhile [ "$1" != -o ]; do shift; done\necho junk >"$2"\n' >"$work/junkpacker"
chmod +x "$work/junkpacker"
for packer_case in /bin/false "$work/junkpacker"; do
    "$mkdist" --force --kit "$kit" --sign-cert "$work/cert.pem" --sign-key "$work/key.pem" --sfx "$work/One.exe" \
        --packer "$packer_case" --stub "$stub" "$work/product" "$work/one" >/dev/null 2>&1
    check $? 1 "$(basename "$packer_case"): the run fails"
    check "$(cd "$work" && find one One.exe -type f -exec md5sum {} + | sort)" "$before" \
        "... the earlier distribution and file stay byte for byte"
    check "$(find "$work" -maxdepth 1 -name '*.partial')" "" "... nothing half-made is left"
done
# The output folder may be neither the product folder nor inside or above it.
for out in "$work/product" "$work/product/dist" "$work/product/APP/.." "$work"; do
    "$mkdist" --force --kit "$kit" "$work/product" "$out" 2>"$work/err" >/dev/null
    check $? 1 "an output folder $out is refused"
    grep -q 'inside or above it' "$work/err"; check $? 0 "... saying why"
done
check "$(tr -d "\r" <"$work/product/APP/app.exe")" program "the product is untouched"
check "$([ -e "$work/product/dist" ] && echo made)" "" "... and nothing was made in it"

"$mkdist" --kit "$kit" --sign-cert "$work/cert.pem" "$work/product" "$work/dist4" 2>"$work/err" >/dev/null
check $? 1 "a certificate without its key is refused"
grep -q 'go together' "$work/err"; check $? 0 "... with a message that says why"
exit $((fails > 0))
