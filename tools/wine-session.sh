#!/usr/bin/env bash
# Starts or stops the Wine session that the Windows-side tests share: a
# throwaway prefix under build/, an Xvfb display, one persistent wineserver.
# "stop" ends exactly what "start" began, by process id and by wineserver -k
# on our own prefix. With KIT_USE_DISPLAY set (a display name), the windows go
# to that display instead of a new Xvfb: the demo's way to show them to a person.
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"

# Xvfb picks a free display and tells us which.
start_xvfb() {
    exec 5>"$KIT_WINE_STATE/display.tmp"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! >"$KIT_WINE_STATE/xvfb.pid"
    exec 5>&-
    for _ in $(seq 100); do
        [ -s "$KIT_WINE_STATE/display.tmp" ] && break
        sleep 0.1
    done
    [ -s "$KIT_WINE_STATE/display.tmp" ] || { echo "Xvfb did not start" >&2; return 1; }
}

start() {
    stop >/dev/null 2>&1
    mkdir -p "$KIT_WINE_STATE"
    rm -rf "$WINEPREFIX"
    if [ -n "${KIT_USE_DISPLAY:-}" ]; then
        echo "$KIT_USE_DISPLAY" >"$KIT_WINE_STATE/display"
    else
        start_xvfb || return 1
        echo ":$(head -n1 "$KIT_WINE_STATE/display.tmp")" >"$KIT_WINE_STATE/display"
        rm -f "$KIT_WINE_STATE/display.tmp"
    fi
    . "$here/wine-env.sh"
    # No Mono or Gecko prompts: the kit needs neither.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$KIT_WINE" wineboot -i >/dev/null 2>&1 || { echo "wineboot failed" >&2; return 1; }
    "$KIT_WINESERVER" -p
    echo "wine session: prefix $WINEPREFIX, display $DISPLAY"
}

stop() {
    if [ -d "$WINEPREFIX" ]; then
        "$KIT_WINESERVER" -k 2>/dev/null
        "$KIT_WINESERVER" -w 2>/dev/null
    fi
    if [ -f "$KIT_WINE_STATE/xvfb.pid" ]; then
        kill "$(cat "$KIT_WINE_STATE/xvfb.pid")" 2>/dev/null
        rm -f "$KIT_WINE_STATE/xvfb.pid"
    fi
    rm -f "$KIT_WINE_STATE/display"
    return 0
}

case "${1:-}" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
