#!/usr/bin/env bash
# Installs everything the kit needs on a Debian 12 machine. Safe to run again:
# it returns quickly when all is already there. Needs root.
set -euo pipefail

need_pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth locales fonts-nanum
           rar unrar libunrar-dev zlib1g-dev libjpeg-dev libz-mingw-w64-dev
           cmake make g++ googletest libgtest-dev clang dpkg-dev python3
           xdotool x11-apps imagemagick lhasa liblhasa-dev jlha-utils zip unzip p7zip-full
           osslsigncode openssl python3-pefile)

missing() {
    local p
    for p in "${need_pkgs[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
    done
}

if [ -z "$(missing)" ] && locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$' \
   && [ -f /etc/apt/sources.list.d/kit-extra.sources ]; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# Non-free (rar, unrar) and source entries (for apt-get source) are written as a
# new file derived from the machine's own Debian sources, so no host is named here.
src=""
for f in /etc/apt/sources.list.d/debian.sources /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && grep -q '^URIs:.*debian' "$f" && { src=$f; break; }
done
if [ -n "$src" ] && [ ! -f /etc/apt/sources.list.d/kit-extra.sources ]; then
    # Binary entries gain the non-free components; source entries cover all.
    awk '
        /^Types:/      { next }
        /^Components:/ { print "Components: contrib non-free"; next }
        /^URIs:/       { print "Types: deb"; print; next }
        { print }
    ' "$src" > /tmp/kit-extra.deb
    awk '
        /^Types:/      { next }
        /^Components:/ { print "Components: main contrib non-free"; next }
        /^URIs:/       { print "Types: deb-src"; print; next }
        { print }
    ' "$src" > /tmp/kit-extra.src
    { cat /tmp/kit-extra.deb; echo; cat /tmp/kit-extra.src; } | $SUDO tee /etc/apt/sources.list.d/kit-extra.sources >/dev/null
    rm -f /tmp/kit-extra.deb /tmp/kit-extra.src
elif [ -z "$src" ] && [ -f /etc/apt/sources.list ] && ! grep -q '^deb-src' /etc/apt/sources.list; then
    grep '^deb ' /etc/apt/sources.list \
        | sed -E 's/^deb (.*) main.*$/deb \1 contrib non-free\ndeb-src \1 main contrib non-free/' \
        | $SUDO tee /etc/apt/sources.list.d/kit-extra.list >/dev/null
fi

dpkg --print-foreign-architectures | grep -q i386 || $SUDO dpkg --add-architecture i386

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null

if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
    grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null \
        || echo 'ko_KR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
