#!/usr/bin/env bash
# Builds the Windows UnRAR library (unrar.dll plus an import library) for i686
# and x86_64 from Debian's unrar-nonfree source package, and a copy of its
# header for the Windows builds:
#   build/deps/win32/{unrar.dll,libunrar.dll.a}   build/deps/win64/{...}
#   build/deps/include/unrar/dll.hpp
# The native build uses Debian's own libunrar and header instead.
# Idempotent: returns at once when both builds are there.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
deps="$root/build/deps"
stamp_name=unrar.version

if [ -f "$deps/win32/$stamp_name" ] && [ -f "$deps/win64/$stamp_name" ] \
   && [ -f "$deps/include/unrar/dll.hpp" ]; then
    echo "unrar.dll: up to date (unrar-nonfree $(cat "$deps/win32/$stamp_name"))"
    exit 0
fi

mkdir -p "$deps/src"
cd "$deps/src"
src=$(find . -maxdepth 1 -type d -name 'unrar-nonfree-*' | sort | tail -n1)
if [ -z "$src" ]; then
    apt-get source -qq unrar-nonfree >/dev/null 2>&1 || apt-get source unrar-nonfree
    src=$(find . -maxdepth 1 -type d -name 'unrar-nonfree-*' | sort | tail -n1)
fi
[ -n "$src" ] || { echo "unrar.sh: no unrar-nonfree source" >&2; exit 1; }
src="$deps/src/${src#./}"
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
echo "unrar.dll: building from unrar-nonfree $version"

# Debian marks the exports for ELF visibility; PE has no such attribute and the
# mingw compiler warns about every use, so both the library and our copy of the
# header go without it.
strip_visibility() { sed 's/__attribute__ *((visibility *("default"))) *//'; }
mkdir -p "$deps/include/unrar"
strip_visibility < "$src/dll.hpp" > "$deps/include/unrar/dll.hpp"

# The file list of the library's own Windows project.
sources="archive arcread blake2s cmddata consio crc crypt dll encname errhnd extinfo
         extract filcreat file filefn filestr find getbits global hash headers isnt
         match options pathfn qopen rar rarpch rarvm rawread rdwrfn rijndael rs rs16
         scantree secpassword sha1 sha256 smallfn strfn strlist system threadpool timefn
         ui unicode unpack volume"

build_one() {
    local bits=$1 triple=$2
    local out="$deps/win$bits" obj="$deps/src/obj-win$bits"
    local cxx="$triple-g++-posix"
    rm -rf "$obj"
    mkdir -p "$obj" "$out"
    for f in $sources; do
        strip_visibility < "$src/$f.cpp" > "$obj/$f.cpp"
    done
    strip_visibility < "$src/dll.hpp" > "$obj/dll.hpp"
    # The sources name two system headers in mixed case; mingw's are lower case.
    echo '#include <powrprof.h>' > "$obj/PowrProf.h"
    echo '#include <wbemidl.h>' > "$obj/Wbemidl.h"
    # Compile beside the pristine sources so their own headers are found, with
    # our copies of the files that carried the attribute.
    # The library's Windows half uses _bstr_t, whose helper lives in a
    # compiler-support library that mingw does not have.
    cat > "$obj/comsupp.cpp" <<'CPP'
#include <windows.h>
#include <comutil.h>
namespace _com_util {
BSTR WINAPI ConvertStringToBSTR(const char *s)
{
    if (!s) return NULL;
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, NULL, 0);
    BSTR b = SysAllocStringLen(NULL, n > 0 ? n - 1 : 0);
    if (b && n > 0) MultiByteToWideChar(CP_ACP, 0, s, -1, b, n);
    return b;
}
}
CPP
    # Objects of an interrupted run are kept; only missing ones are compiled,
    # each under a temporary name so that a broken one is never taken as done.
    for f in $sources comsupp; do
        [ -s "$obj/$f.o" ] || echo "$f"
    done | xargs -r -P "$(nproc)" -I{} \
        "$cxx" -O2 -w -DRARDLL -DUNRAR -DSILENT -I"$obj" -I"$src" \
               -c "$obj/{}.cpp" -o "$obj/{}.o.tmp" || true
    for f in $sources comsupp; do
        if [ -f "$obj/$f.o.tmp" ]; then mv "$obj/$f.o.tmp" "$obj/$f.o"; fi
        [ -s "$obj/$f.o" ] || { echo "unrar.sh: $f did not compile" >&2; exit 1; }
    done
    local def="$obj/unrar.def"
    if [ "$bits" = 32 ]; then
        # stdcall names are decorated (_RAROpenArchive@4); the DLL exports them
        # plain, as the library's own dll.def lists them, and the import
        # library maps each decorated name to its plain export.
        { echo "EXPORTS"
          "$triple-nm" "$obj/dll.o" | awk '$2=="T" && $3 ~ /^_RAR/ { print "  " substr($3,2) }'
        } > "$def"
        "$cxx" -shared -o "$out/unrar.dll" "$obj"/*.o "$src/dll.def" \
            -Wl,--enable-stdcall-fixup -static -static-libgcc -static-libstdc++ \
            -Wl,-s -lpowrprof -lshlwapi -lole32 -loleaut32 -lwbemuuid
        "$triple-dlltool" -k -d "$def" -D unrar.dll -l "$out/libunrar.dll.a"
    else
        cp "$src/dll.def" "$def"
        "$cxx" -shared -o "$out/unrar.dll" "$obj"/*.o "$src/dll.def" \
            -static -static-libgcc -static-libstdc++ -Wl,-s -lpowrprof -lshlwapi -lole32 -loleaut32 -lwbemuuid
        "$triple-dlltool" -d "$def" -D unrar.dll -l "$out/libunrar.dll.a"
    fi

    # The import library must satisfy a caller compiled against the header.
    cat > "$obj/check.cpp" <<'EOF'
#include <windows.h>
#include <unrar/dll.hpp>
int main()
{
    RAROpenArchiveData d = {};
    HANDLE h = RAROpenArchive(&d);
    if (h) RARCloseArchive(h);
    RARHeaderData hd = {};
    RARReadHeader(0, &hd);
    RARProcessFile(0, RAR_SKIP, 0, 0);
    RARSetChangeVolProc(0, 0);
    RARSetProcessDataProc(0, 0);
    RARSetPassword(0, 0);
    return RARGetDllVersion() == RAR_DLL_VERSION ? 0 : 1;
}
EOF
    "$cxx" -Wall -Werror -I"$deps/include" "$obj/check.cpp" -o "$obj/check.exe" \
        -L"$out" -lunrar.dll
    local missing
    missing=$("$triple-objdump" -p "$out/unrar.dll" | awk '/\[Ordinal\/Name Pointer\] Table/{t=1;next} t&&/\]/{print $NF}' \
        | sort | comm -13 - <(grep -o 'RAR[A-Za-z]*' "$src/dll.def" | sort))
    [ -z "$missing" ] || { echo "unrar.dll ($bits): missing exports: $missing" >&2; exit 1; }
    echo "$version" > "$out/$stamp_name"
    echo "unrar.dll: win$bits done ($(stat -c %s "$out/unrar.dll") bytes)"
}

[ -f "$deps/win32/$stamp_name" ] || build_one 32 i686-w64-mingw32
[ -f "$deps/win64/$stamp_name" ] || build_one 64 x86_64-w64-mingw32
