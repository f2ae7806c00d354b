#!/usr/bin/env bash
# Builds the UnRAR library from Debian's unrar-nonfree source package, one
# source for every build:
#   build/deps/unrar/                    the prepared sources (our patches applied),
#                                        which the native and fuzz builds compile
#                                        into a static library of their own
#   build/deps/include/unrar/dll.hpp     the header for all builds
#   build/deps/win32/{unrar.dll,libunrar.dll.a}   build/deps/win64/{...}
# The source package is fetched once into build/deps/src and kept there, so a
# rebuild fetches nothing. Objects of an interrupted build are kept and only
# the missing ones are compiled.
#
# The version is the one the kit was tested with; when the archive no longer
# has it, the newest one it has is taken and named. Anything older than
# upstream 7.2.7 is refused: older releases have published faults in exactly
# this library (path traversal in the Windows library, a heap overflow, a
# symbolic-link traversal). A version listed in unrar/ACCEPTED, or given as
# KIT_UNRAR_ACCEPT=<Debian version>, is built all the same, with a warning,
# for machines that cannot get a newer one (the file says why).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
deps="$root/build/deps"
prep="$deps/unrar"
stamp_name=unrar.version

pinned=1:7.3.2-1
minimum=7.2.7

upstream() { local v=${1#*:}; echo "${v%-*}"; }
acceptable() {
    dpkg --compare-versions "$(upstream "$1")" ge "$minimum" || [ "$1" = "${KIT_UNRAR_ACCEPT:-}" ] ||
        grep -v '^#' "$here/unrar/ACCEPTED" 2>/dev/null | grep -qxF "$1"
}
newest_first() { sort -V -r | uniq; }

# The cached source folders, as "version folder" lines.
cached() {
    local d
    for d in "$deps"/src/unrar-nonfree-*/; do
        [ -f "$d/debian/changelog" ] || continue
        echo "$(dpkg-parsechangelog -l "$d/debian/changelog" -S Version) ${d%/}"
    done
}

pick_cached() {
    local v d
    while read -r v d; do
        [ "$v" = "$pinned" ] && { echo "$d"; return; }
    done < <(cached)
    while read -r v d; do
        acceptable "$v" && { echo "$d"; return; }
    done < <(cached | newest_first)
    return 0
}

fetch() {
    local listed v
    listed=$(apt-cache showsrc unrar-nonfree 2>/dev/null | sed -n 's/^Version: //p' | newest_first)
    # The pinned version first, then the others newest first.
    for v in $(grep -Fx "$pinned" <<<"$listed") $(grep -Fxv "$pinned" <<<"$listed"); do
        acceptable "$v" || continue
        [ "$v" = "$pinned" ] || echo "unrar.sh: unrar-nonfree $pinned is not available; taking $v" >&2
        if (cd "$deps/src" && apt-get source -qq "unrar-nonfree=$v" >/dev/null 2>&1); then
            return 0
        fi
        echo "unrar.sh: unrar-nonfree $v is listed but could not be fetched" >&2
    done
    echo "unrar.sh: no unrar-nonfree source of upstream $minimum or newer can be had" \
         "(listed: $(echo $listed)). Older releases have published faults in this library;" \
         "tools/deps/unrar/ACCEPTED or KIT_UNRAR_ACCEPT=<version> builds one all the same." >&2
    return 1
}

mkdir -p "$deps/src"
src=$(pick_cached)
if [ -z "$src" ]; then
    fetch
    src=$(pick_cached)
fi
[ -n "$src" ] || { echo "unrar.sh: the fetched source is not where it was expected" >&2; exit 1; }
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
acceptable "$version" || exit 1
if ! dpkg --compare-versions "$(upstream "$version")" ge "$minimum"; then
    echo "unrar.sh: WARNING: building unrar-nonfree $version, older than upstream $minimum" \
         "(accepted in tools/deps/unrar/ACCEPTED or KIT_UNRAR_ACCEPT); it has published faults" >&2
fi

# Everything that decides what the builds contain: a change to any of it
# prepares the sources anew and rebuilds both DLLs.
key=$( { echo "$version"; cat "$here/unrar.sh"; find "$here/unrar" -type f | sort | xargs cat; } | sha256sum | cut -c1-16)
patches="$here/unrar/patches/$(upstream "$version")"

if [ "$(cat "$prep/key" 2>/dev/null)" != "$key" ]; then
    echo "unrar: preparing unrar-nonfree $version"
    rm -rf "$prep.tmp"
    mkdir -p "$prep.tmp"
    cp "$src"/*.cpp "$src"/*.hpp "$src"/dll.def "$src"/dll.rc "$src"/makefile "$src"/UnRARDll.vcxproj "$prep.tmp/"
    if [ -d "$patches" ]; then
        for p in "$patches"/*.patch; do
            echo "unrar: applying $(basename "$p")"
            patch -s -p1 -d "$prep.tmp" <"$p"
        done
    fi
    # Debian marks the exports for ELF visibility; PE has no such attribute and
    # the mingw compiler warns about every use, so every build goes without it.
    sed -i 's/__attribute__ *((visibility *("default"))) *//' "$prep.tmp"/*.cpp "$prep.tmp"/*.hpp
    # Each platform's file list from the library's own build files: its
    # Windows DLL project and its makefile's static-library target.
    grep -o 'ClCompile Include="[^"]*\.cpp"' "$prep.tmp/UnRARDll.vcxproj" \
        | sed 's/.*"\(.*\)\.cpp"/\1/' >"$prep.tmp/windows-sources.txt"
    make -s -f "$prep.tmp/makefile" --eval 'kit-list: ; @echo $(OBJECTS) $(LIB_OBJ)' kit-list \
        | tr ' ' '\n' | sed -n 's/\.o$//p' | sort -u >"$prep.tmp/native-sources.txt"
    [ -s "$prep.tmp/windows-sources.txt" ] && [ -s "$prep.tmp/native-sources.txt" ] \
        || { echo "unrar.sh: no file list in the library's build files" >&2; exit 1; }
    # The sources name two system headers in mixed case; mingw's are lower case.
    mkdir -p "$prep.tmp/mingw"
    echo '#include <powrprof.h>' >"$prep.tmp/mingw/PowrProf.h"
    echo '#include <wbemidl.h>' >"$prep.tmp/mingw/Wbemidl.h"
    echo "$version" >"$prep.tmp/version"
    echo "$key" >"$prep.tmp/key"
    rm -rf "$prep"
    mv "$prep.tmp" "$prep"
fi
mkdir -p "$deps/include/unrar"
cmp -s "$prep/dll.hpp" "$deps/include/unrar/dll.hpp" || cp "$prep/dll.hpp" "$deps/include/unrar/dll.hpp"

build_one() {
    local bits=$1 triple=$2
    local out="$deps/win$bits" obj="$prep/obj-win$bits"
    # The win32 thread model: the library makes its threads through the
    # Windows API itself, and the posix model's winpthreads would import
    # GetTickCount64, which Windows XP does not have.
    local cxx="$triple-g++-win32"
    local sources
    sources="$(cat "$prep/windows-sources.txt") comsupp"
    mkdir -p "$obj" "$out"
    cp "$here/unrar/comsupp.cpp" "$prep/comsupp.cpp"
    # Each object under a temporary name first, so that a broken one is never
    # taken as done; those already there are kept.
    for f in $sources; do
        [ -s "$obj/$f.o" ] || echo "$f"
    done | xargs -r -P "$(nproc)" -I{} \
        "$cxx" -O2 -w -DRARDLL -DUNRAR -DSILENT -I"$prep/mingw" -I"$prep" \
               -c "$prep/{}.cpp" -o "$obj/{}.o.tmp" || true
    for f in $sources; do
        if [ -f "$obj/$f.o.tmp" ]; then mv "$obj/$f.o.tmp" "$obj/$f.o"; fi
        [ -s "$obj/$f.o" ] || { echo "unrar.sh: $f did not compile" >&2; exit 1; }
    done
    # The library's own version resource (its text is code page 1252), so
    # Windows shows what the DLL is.
    "$triple-windres" -c 1252 -I"$prep" -i "$prep/dll.rc" -O coff -o "$obj/dll-rc.o"
    local def="$obj/unrar.def" objs=("$obj/dll-rc.o")
    for f in $sources; do objs+=("$obj/$f.o"); done
    local libs=(-static -static-libgcc -static-libstdc++ -Wl,-s -lpowrprof -lshlwapi -lole32 -loleaut32 -lwbemuuid)
    if [ "$bits" = 32 ]; then
        # stdcall names are decorated (_RAROpenArchive@4); the DLL exports them
        # plain, as the library's own dll.def lists them, and the import
        # library maps each decorated name to its plain export.
        { echo "EXPORTS"
          "$triple-nm" "$obj/dll.o" | awk '$2=="T" && $3 ~ /^_RAR/ { print "  " substr($3,2) }'
        } >"$def"
        "$cxx" -shared -o "$out/unrar.dll" "${objs[@]}" "$prep/dll.def" -Wl,--enable-stdcall-fixup "${libs[@]}"
        "$triple-dlltool" -k -d "$def" -D unrar.dll -l "$out/libunrar.dll.a"
    else
        cp "$prep/dll.def" "$def"
        "$cxx" -shared -o "$out/unrar.dll" "${objs[@]}" "$prep/dll.def" "${libs[@]}"
        "$triple-dlltool" -d "$def" -D unrar.dll -l "$out/libunrar.dll.a"
    fi

    "$cxx" -Wall -Werror -I"$deps/include" "$here/unrar/check.cpp" -o "$obj/check.exe" -L"$out" -lunrar.dll
    local missing
    missing=$("$triple-objdump" -p "$out/unrar.dll" \
        | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/\]/{print $NF}' \
        | sort | comm -13 - <(grep -o 'RAR[A-Za-z]*' "$prep/dll.def" | sort))
    [ -z "$missing" ] || { echo "unrar.dll ($bits): missing exports: $missing" >&2; exit 1; }
    echo "$version $key" >"$out/$stamp_name"
    echo "unrar.dll: win$bits built from unrar-nonfree $version ($(stat -c %s "$out/unrar.dll") bytes)"
}

built=0
for target in "32 i686-w64-mingw32" "64 x86_64-w64-mingw32"; do
    set -- $target
    if [ "$(cat "$deps/win$1/$stamp_name" 2>/dev/null)" != "$version $key" ]; then
        build_one "$1" "$2"
        built=1
    fi
done
[ $built = 1 ] || echo "unrar.dll: up to date (unrar-nonfree $version)"
