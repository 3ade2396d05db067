#!/usr/bin/env bash
# Starts the app against the virtual unit on a demo program folder:
#   build/demo/            the program folder (settings files, ports/, Dat/)
#   build/demo/ports/COM1  the virtual unit's pseudo-terminal
# The unit is stopped when the app exits.
set -euo pipefail
bin=${1:-build/bin}
demo=${2:-build/demo}

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "make run: no display found; run it on a desktop, or headless with: xvfb-run -a -s '-screen 0 1600x1000x24' make run" >&2
    exit 1
fi

mkdir -p "$demo/ports"
# First run: a demo setup that shows idle times, time stamps and the line-state bar.
if [ ! -f "$demo/VXParam.ini" ]; then
    printf '[Mode_Inf]\nIdleMode=10\nTimeStamp=1\nLineState=1\n[Comm_Inf]\nSpeed=9600\nDataLength=1\n[VX_Inf]\nAuto=1\nPort=1\n' \
        > "$demo/VXParam.ini"
fi

unit_out=$(mktemp)
"$bin/vexlo-unit" --link "$demo/ports/COM1" --scenario chat >"$unit_out" &
unit=$!
cleanup() {
    kill "$unit" 2>/dev/null || true
    wait "$unit" 2>/dev/null || true
    rm -f "$unit_out"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
    grep -q '^ready ' "$unit_out" && break
    kill -0 "$unit" 2>/dev/null || { echo "make run: the virtual unit did not start" >&2; exit 1; }
    sleep 0.05
done
echo "Virtual unit on $demo/ports/COM1 (scenario chat). Press F5 in Vexlo to start monitoring."
"$bin/vexlo" --home "$demo"
