#!/usr/bin/env bash
# Builds everything: the Windows dependencies (once, cached under build/deps),
# the native build with sanitizers, the i686 Windows build and the fuzz build.
# win64 is the same sources for x86_64: it is what runs under Wine on machines
# whose kernel refuses 32-bit processes (see wine-env.sh).
# Usage: tools/build.sh [native|win32|win64|fuzz|bench ...]
#        (default: native win32, win64 where needed, fuzz)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
builds=("$@")
if [ ${#builds[@]} -eq 0 ]; then
    . tools/wine-env.sh
    builds=(native win32)
    [ "$KIT_WINE_BITS" = 64 ] && builds+=(win64)
    builds+=(fuzz)
fi

for dep in tools/deps/*.sh; do
    [ -f "$dep" ] && bash "$dep"
done

for b in "${builds[@]}"; do
    case "$b" in
        native) cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Debug -DKIT_SANITIZE=ON >/dev/null ;;
        win32)  cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=MinSizeRel \
                      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
                      -DKIT_NATIVE_BUILD_DIR="$root/build/native" >/dev/null ;;
        win64)  cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=MinSizeRel \
                      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
                      -DKIT_NATIVE_BUILD_DIR="$root/build/native" >/dev/null ;;
        fuzz)   cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIT_FUZZ=ON \
                      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null ;;
        bench)  cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release >/dev/null ;;
        *) echo "unknown build: $b" >&2; exit 2 ;;
    esac
    echo "== building $b"
    log="build/$b-build.log"
    if cmake --build "build/$b" -j "$jobs" >"$log" 2>&1; then rc=0; else rc=$?; fi
    grep -v -E '^\[ *[0-9]+%\]|^-- ' "$log" || true
    [ "$rc" -eq 0 ] || { echo "build $b failed" >&2; exit 1; }
done
