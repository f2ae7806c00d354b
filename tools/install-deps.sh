#!/usr/bin/env bash
# Installs everything the kit needs on a Debian 12 machine. Safe to run again:
# it returns within about a second when all is already there. Needs root.
set -euo pipefail

need_pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xauth locales fonts-nanum
           rar unrar zlib1g-dev libjpeg-dev libz-mingw-w64-dev
           cmake make g++ googletest libgtest-dev clang dpkg-dev python3
           xdotool x11-apps imagemagick lhasa liblhasa-dev libdeflate-dev jlha-utils zip unzip p7zip-full
           osslsigncode openssl python3-pefile)

extra=/etc/apt/sources.list.d/kit-extra.sources

missing() {
    # One query for all packages: one per package would cost a second.
    local -A ok=()
    local pkg arch status p
    while read -r pkg arch status; do
        [ "$status" = installed ] && ok[$pkg]=1 ok[$pkg:$arch]=1
    done < <(dpkg-query -W -f='${Package} ${Architecture} ${db:Status-Status}\n' "${need_pkgs[@]}" 2>/dev/null)
    for p in "${need_pkgs[@]}"; do
        [ -n "${ok[$p]:-}" ] || echo "$p"
    done
}

# The machine's own Debian entries: deb822 .sources files and one-line .list
# files alike, our own file excepted.
debian_sources() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] || continue
        case "$f" in */kit-extra.*) continue ;; esac
        grep -qE '^(URIs:|deb(-src)? ).*debian' "$f" && echo "$f"
    done
}

# derive TYPE COMPONENTS [SUITE] FILE...: prints deb822 entries of the given
# type and components for every Debian entry of the files. With SUITE, only the
# entries of the main archive (those with a suite without a dash, as bookworm
# has; not the security or updates archives) are taken, for that suite only.
derive() {
    awk -v type="$1" -v comps="$2" -v suite="${3:-}" '
        function emit(uris, suites, extra,   n, s, i, out, main) {
            if (uris !~ /debian/) return
            if (suite != "") {
                n = split(suites, s, " ")
                for (i = 1; i <= n; i++) if (s[i] !~ /-/) main = 1
                if (!main) return
                suites = suite
            }
            out = "Types: " type "\nURIs: " uris "\nSuites: " suites "\nComponents: " comps "\n" extra
            if (!(out in seen)) { seen[out] = 1; printf "%s%s", (count++ ? "\n" : ""), out }
        }
        function flush() { if (uris != "") emit(uris, suites, rest); uris = suites = rest = "" }
        FNR == 1 { flush() }
        FILENAME ~ /\.sources$/ {
            if ($0 ~ /^[ \t]*$/)        { flush(); next }
            if ($1 == "URIs:")          { uris = $2; next }
            if ($1 == "Suites:")        { $1 = ""; suites = substr($0, 2); next }
            if ($1 ~ /^(Types|Components):$/ || $0 ~ /^#/) next
            rest = rest $0 "\n"
            next
        }
        # One-line form: deb [options] uri suite components
        $1 == "deb" {
            opts = ""
            if ($2 ~ /^\[/) {
                while ($2 !~ /\]$/) { opts = opts " " $2; $2 = ""; $0 = $0 }
                opts = opts " " $2; $2 = ""; $0 = $0
                gsub(/[][]/, "", opts)
            }
            n = split(opts, o, " "); more = ""
            for (i = 1; i <= n; i++) {
                split(o[i], kv, "=")
                if (kv[1] == "signed-by") more = more "Signed-By: " kv[2] "\n"
                else if (kv[1] == "arch") more = more "Architectures: " kv[2] "\n"
            }
            emit($2, $3, more)
        }
        END { flush() }
    ' "${@:4}"
}

wanted_sources() {
    local files
    mapfile -t files < <(debian_sources)
    [ ${#files[@]} -gt 0 ] || return 0
    # Non-free binaries (rar, unrar); sources of the same suites for
    # apt-get source; and sources only (never binaries, which would upgrade
    # the system) of the development suite, for the newest UnRAR library.
    derive deb "contrib non-free" "" "${files[@]}"
    echo
    derive deb-src "main contrib non-free" "" "${files[@]}"
    echo
    derive deb-src "non-free" unstable "${files[@]}"
}

wanted=$(wanted_sources)
have_unstable_list() { compgen -G '/var/lib/apt/lists/*_dists_unstable_non-free_source_Sources*' >/dev/null; }

if [ -z "$(missing)" ] && locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$' \
   && [ -n "$wanted" ] && [ "$wanted" = "$(cat "$extra" 2>/dev/null)" ] && have_unstable_list; then
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

[ -n "$wanted" ] || { echo "install-deps.sh: no Debian entry in the machine's apt sources" >&2; exit 1; }
if [ "$wanted" != "$(cat "$extra" 2>/dev/null)" ]; then
    printf '%s\n' "$wanted" | $SUDO tee "$extra" >/dev/null
fi
# An earlier version of this script wrote its one-line entries here.
$SUDO rm -f /etc/apt/sources.list.d/kit-extra.list

dpkg --print-foreign-architectures | grep -q i386 || $SUDO dpkg --add-architecture i386

export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of its sync refuses an index now and then: try
# again, and go on with what was fetched when it keeps refusing, since the
# install below tells whether anything needed is really missing.
for try in 1 2 3; do
    $SUDO apt-get update -qq && break
    [ "$try" = 3 ] && { echo "install-deps.sh: apt-get update failed; going on with the indexes it fetched" >&2; break; }
    sleep 20
done
if ! $SUDO apt-get install -y -qq --no-install-recommends "${need_pkgs[@]}" >/dev/null; then
    # The i386 packages must match the amd64 ones' versions, which fails while
    # a mirror's i386 index lags behind. 64-bit Wine runs every test too
    # (wine-env.sh then picks it): install the rest rather than nothing.
    echo "install-deps.sh: installing without the i386 packages" >&2
    others=()
    for p in "${need_pkgs[@]}"; do [[ $p == *:i386 ]] || others+=("$p"); done
    $SUDO apt-get install -y -qq --no-install-recommends "${others[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ko_KR\.utf-\?8$'; then
    grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null \
        || echo 'ko_KR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
