#!/usr/bin/env bash
# Runs a Windows program in our Wine session and passes its exit code on.
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
exec "$KIT_WINE" "$@"
