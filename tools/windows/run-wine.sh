#!/usr/bin/env bash
# Runs a Windows program under Wine: run-wine.sh PREFIX PROGRAM.exe [ARGUMENT...].
# PREFIX is Wine's folder for this program's Windows (the C: drive, the registry); it is made
# on the first run. No display is needed and none is used, and Wine shows no dialogs (none
# offering to install its .NET or HTML engines); the program's exit code is returned.
set -euo pipefail
if [ $# -lt 2 ]; then
    echo "usage: run-wine.sh PREFIX PROGRAM.exe [ARGUMENT...]" >&2
    exit 2
fi
export WINEPREFIX=$1
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
fi
exec "$wine" "$@"
