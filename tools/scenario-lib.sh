# Sourced by the Wine scenario scripts and the demo: the session's
# environment, checks that count failures, the scripted user (set $uidriver
# to uidriver.exe), screenshots (set $shots to a folder), registry values and
# path conversions between this machine and the Wine drive.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/tools/wine-env.sh"
C="$WINEPREFIX/drive_c"

# setup's "installed, restart required" and "another setup runs" as Wine
# hands them to Linux: their low byte.
RC_RESTART=$((3010 % 256)) RC_RUNNING=$((1618 % 256))
fails=0 failures_seen=
ok() { echo "ok: $1"; }
bad() { echo "FAIL: $1"; fails=$((fails + 1)); failures_seen+="FAIL: ${1:0:300}"$'\n'; }
# The script's end: its failures again, last, where a log's tail shows them.
end_checks() {
    [ "$fails" -eq 0 ] || printf '%s: %d failure(s):\n%s' "$(basename "$0")" "$fails" "$failures_seen"
    exit $((fails > 0))
}
check() { if [ "$1" = "$2" ]; then ok "$3"; else bad "$3 (got '$1', want '$2')"; fi; }
has() { case "$1" in *"$2"*) ok "$3" ;; *) bad "$3 (no '$2' in: $1)" ;; esac; }
gone() { if [ ! -e "$1" ]; then ok "gone: $1"; else bad "still there: $1"; fi; }
stays() { if [ -e "$1" ]; then ok "stays: $1"; else bad "missing: $1"; fi; }

ui() { "$KIT_WINE" "$uidriver" "$@"; }
# Retries a command for up to $1 seconds: a window answers a key or a click
# in its own time, later still on a loaded machine.
eventually() {
    local n=$(($1 * 4)); shift
    for _ in $(seq "$n"); do "$@" && return 0; sleep 0.25; done
    return 1
}
# The whole screen as $shots/NAME.png, once the last click has been drawn.
shot() {
    [ -n "${shots:-}" ] || return 0
    sleep 0.5
    import -display "$DISPLAY" -window root "$shots/$1.png" 2>/dev/null
}
# Waits up to 60 s for a process we started; a hung one is ended and fails.
wait_pid() {
    local i
    for i in $(seq 120); do kill -0 "$1" 2>/dev/null || { wait "$1"; return; }; sleep 0.5; done
    kill "$1" 2>/dev/null
    return 124
}

# tmpfs_drive LETTER SIZE DIR: a small tmpfs file system mounted at DIR
# (root only) and mapped as Wine drive LETTER, for full-disk cases.
# drop_drive LETTER DIR undoes it; harmless when nothing is there.
tmpfs_drive() {
    mkdir -p "$3" && mount -t tmpfs -o "size=$2" tmpfs "$3" && ln -sfn "$3" "$WINEPREFIX/dosdevices/$1:"
}
drop_drive() {
    rm -f "$WINEPREFIX/dosdevices/$1:"
    if mountpoint -q "$2" 2>/dev/null; then umount "$2" || umount -l "$2"; fi
    rmdir "$2" 2>/dev/null
    return 0
}
# Wine lists drives (GetLogicalDrives) as its mount manager found them when
# the server started; after mapping drives, a restart of the server makes
# the lists show them. Nothing of ours may be running then.
relist_drives() { "$KIT_WINESERVER" -k; "$KIT_WINESERVER" -w; }

# reg.exe under Wine, without its carriage returns.
wreg() { "$KIT_WINE" reg "$@" 2>/dev/null | tr -d '\r'; }
# A string value (or the default value when NAME is empty) as "reg query"
# prints it, or nothing.
regval() {
    local out
    if [ -z "${2:-}" ]; then out=$(wreg query "$1" /ve); else out=$(wreg query "$1" /v "$2"); fi
    printf '%s\n' "$out" | LC_ALL=C sed -n 's/^ *[^ ].*REG_SZ *//p' | head -n1
}

# This machine's path as Wine names it: C:\... on the Wine drive, Z:\... elsewhere.
winpath() {
    local p=$1
    case "$p" in
        "$C") echo 'C:\' ;;
        "$C"/*) p=${p#"$C"/}; echo "C:\\${p//\//\\}" ;;
        *) echo "Z:${p//\//\\}" ;;
    esac
}
# A C:\ path of the Wine drive as this machine names it.
unixpath() { local p=${1#[Cc]:\\}; echo "$C/${p//\\//}"; }
