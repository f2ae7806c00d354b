#!/usr/bin/env bash
# Static libjpeg for the Windows builds (i686 -> build/deps/win32, x86_64 ->
# build/deps/win64), compiled with mingw from the distribution's libjpeg-turbo
# source package. SIMD is off: it would need nasm and buys nothing for two
# small pictures. Quick no-op when both libraries are already there.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
deps="$root/build/deps"
src_root="$deps/src"

done_marker() { [ -f "$deps/$1/lib/libjpeg.a" ] && [ -f "$deps/$1/include/jpeglib.h" ]; }

if done_marker win32 && done_marker win64; then
    echo "libjpeg: libjpeg-turbo $(cat "$deps/libjpeg.version" 2>/dev/null || echo '?') (built)"
    exit 0
fi

mkdir -p "$src_root"
src=$(ls -d "$src_root"/libjpeg-turbo-*/ 2>/dev/null | head -n1 || true)
if [ -z "$src" ]; then
    (cd "$src_root" && apt-get source -qq libjpeg-turbo >/dev/null 2>&1) \
        || { echo "libjpeg: apt-get source libjpeg-turbo failed (deb-src entries: tools/install-deps.sh)" >&2; exit 1; }
    src=$(ls -d "$src_root"/libjpeg-turbo-*/ | head -n1)
fi
src=${src%/}
dsc=$(ls "$src_root"/libjpeg-turbo_*.dsc 2>/dev/null | head -n1 || true)
version=$(sed -n 's/^Version: //p' "$dsc" 2>/dev/null || true)
version=${version:-$(basename "$src")}
echo "libjpeg: building from libjpeg-turbo $version"
echo "$version" >"$deps/libjpeg.version"

for bits in 32 64; do
    done_marker "win$bits" && continue
    [ "$bits" = 32 ] && tc="$root/cmake/mingw-i686.cmake" || tc="$root/cmake/mingw-x86_64.cmake"
    bdir="$deps/build-libjpeg-win$bits"
    rm -rf "$bdir"
    cmake -S "$src" -B "$bdir" -DCMAKE_TOOLCHAIN_FILE="$tc" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$deps/win$bits" -DWITH_SIMD=0 -DENABLE_SHARED=0 \
        -DENABLE_STATIC=1 -DWITH_TURBOJPEG=0 -DWITH_JPEG8=0 -DCMAKE_POLICY_DEFAULT_CMP0057=NEW \
        -DCMAKE_INSTALL_LIBDIR=lib -DCMAKE_INSTALL_INCLUDEDIR=include >"$bdir.log" 2>&1 \
        || { tail -20 "$bdir.log" >&2; exit 1; }
    cmake --build "$bdir" -j "$(nproc)" --target jpeg-static >>"$bdir.log" 2>&1 \
        || { tail -20 "$bdir.log" >&2; exit 1; }
    mkdir -p "$deps/win$bits/lib" "$deps/win$bits/include"
    cp "$bdir/libjpeg.a" "$deps/win$bits/lib/libjpeg.a"
    cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$bdir/jconfig.h" "$deps/win$bits/include/"
    echo "libjpeg: $deps/win$bits/lib/libjpeg.a"
done
