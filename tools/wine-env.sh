# Sourced: the environment of our Wine session (see wine-session.sh).
#
# The kit's programs are 32-bit. Where the kernel refuses 32-bit processes (some
# sandboxed machines do: every i386 ELF file fails with "Exec format error"),
# 32-bit Wine cannot start at all; the Windows-side tests and the demo then run
# the 64-bit build of the same sources under 64-bit Wine. KIT_WINE_BITS tells
# which (32 or 64); the build folder of the runnable programs is
# build/win$KIT_WINE_BITS.
_kit_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${KIT_WINE_BITS:-}" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        KIT_WINE_BITS=32
    else
        KIT_WINE_BITS=64
    fi
fi
export KIT_WINE_BITS
export KIT_WINE_STATE="${KIT_WINE_STATE:-$_kit_root/build/wine$KIT_WINE_BITS}"
export WINEPREFIX="$KIT_WINE_STATE/prefix"
export WINEDEBUG=-all
export LC_ALL=ko_KR.UTF-8
if [ "$KIT_WINE_BITS" = 32 ]; then
    export WINEARCH=win32
    KIT_WINE=/usr/lib/wine/wine
    KIT_WINESERVER=/usr/lib/wine/wineserver32
else
    export WINEARCH=win64
    KIT_WINE=/usr/lib/wine/wine64
    KIT_WINESERVER=/usr/lib/wine/wineserver64
fi
[ -x "$KIT_WINESERVER" ] || KIT_WINESERVER=/usr/lib/wine/wineserver
export KIT_WINE KIT_WINESERVER
if [ -s "$KIT_WINE_STATE/display" ]; then
    DISPLAY=$(cat "$KIT_WINE_STATE/display")
    export DISPLAY
fi
