#!/usr/bin/env bash
# Builds the UnRAR library, one source for every build:
#   build/deps/unrar/                    the prepared sources (our patches applied),
#                                        which the native and fuzz builds compile
#                                        into a static library of their own
#   build/deps/include/unrar/dll.hpp     the header for all builds
#   build/deps/win32/{unrar.dll,libunrar.dll.a}   build/deps/win64/{...}
#
# The source is the upstream tarball the project carries
# (tools/deps/unrar/, its checksum and provenance beside it): checked, then
# unpacked once into build/deps/src, so a build is reproducible and fetches
# nothing. KIT_UNRAR_SOURCE=debian takes the newest unrar-nonfree source
# package the machine's apt sources list instead, and refuses any that is
# older than the carried version. Objects of an interrupted build are kept
# and only the missing ones are compiled.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
deps="$root/build/deps"
prep="$deps/unrar"
stamp_name=unrar.version

carried=7.2.7
tarball="$here/unrar/unrar-nonfree_$carried.orig.tar.gz"

upstream() { local v=${1#*:}; echo "${v%-*}"; }

# Prints "version folder" of the carried source, unpacking it when the cache
# does not hold it yet. The checksum is checked every time: the cache is only
# as good as the tarball it came from.
carried_source() {
    (cd "$here/unrar" && sha256sum --quiet -c SHA256SUMS) >&2 \
        || { echo "unrar.sh: $tarball does not match tools/deps/unrar/SHA256SUMS" >&2; return 1; }
    local sum dir
    sum=$(sha256sum "$tarball" | cut -c1-64)
    dir="$deps/src/unrar-carried-$carried"
    if [ "$(cat "$dir/.sha256" 2>/dev/null)" != "$sum" ]; then
        rm -rf "$dir" "$dir.tmp"
        mkdir -p "$dir.tmp"
        tar -xzf "$tarball" -C "$dir.tmp" --strip-components=1
        echo "$sum" >"$dir.tmp/.sha256"
        mv "$dir.tmp" "$dir"
    fi
    echo "$carried $dir"
}

# The cached Debian source folders, as "version folder" lines, newest first.
debian_cached() {
    local d
    for d in "$deps"/src/unrar-nonfree-*/; do
        [ -f "$d/debian/changelog" ] || continue
        echo "$(dpkg-parsechangelog -l "$d/debian/changelog" -S Version) ${d%/}"
    done | sort -V -r -k1,1
}

debian_source() {
    local listed v d
    listed=$(apt-cache showsrc unrar-nonfree 2>/dev/null | sed -n 's/^Version: //p' | sort -V -r | uniq)
    v=$(head -n1 <<<"$listed")
    [ -n "$v" ] || { echo "unrar.sh: the apt sources list no unrar-nonfree source" >&2; return 1; }
    dpkg --compare-versions "$(upstream "$v")" ge "$carried" || {
        echo "unrar.sh: the newest unrar-nonfree source listed is $v, older than the carried $carried;" \
             "build without KIT_UNRAR_SOURCE=debian" >&2
        return 1
    }
    if ! debian_cached | grep -q "^$v "; then
        (cd "$deps/src" && apt-get source -qq "unrar-nonfree=$v" >/dev/null 2>&1) || {
            echo "unrar.sh: unrar-nonfree $v is listed but could not be fetched" >&2
            return 1
        }
    fi
    d=$(debian_cached | awk -v v="$v" '$1 == v { print $2; exit }')
    [ -n "$d" ] || { echo "unrar.sh: the fetched source is not where it was expected" >&2; return 1; }
    echo "$v $d"
}

mkdir -p "$deps/src"
case "${KIT_UNRAR_SOURCE:-carried}" in
    carried) picked=$(carried_source) ;;
    debian) picked=$(debian_source) ;;
    *) echo "unrar.sh: KIT_UNRAR_SOURCE is 'carried' (the default) or 'debian'" >&2; exit 2 ;;
esac
read -r version src <<<"$picked"

# Everything that decides what the builds contain: a change to any of it
# prepares the sources anew and rebuilds both DLLs.
key=$( { echo "$version"; cat "$here/unrar.sh"; find "$here/unrar" -type f ! -name "*.md" | sort | xargs sha256sum; } | sha256sum | cut -c1-16)
patches="$here/unrar/patches/$(upstream "$version")"

if [ "$(cat "$prep/key" 2>/dev/null)" != "$key" ]; then
    echo "unrar: preparing unrar-nonfree $version from $src"
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
    # The sources name some system headers in mixed case; mingw's are lower case.
    mkdir -p "$prep.tmp/mingw"
    for h in PowrProf Wbemidl Sddl; do
        echo "#include <${h,,}.h>" >"$prep.tmp/mingw/$h.h"
    done
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
