#!/usr/bin/env bash
# How long `vexlo-cli detect` takes to find the settings of a line, end to end (the program's
# own run control on the virtual unit's pseudo-terminal), over a table of true lines. Each
# line runs a scenario of the virtual unit (`vexlo-unit --line ...`) with traffic at least
# every 100 ms (chat and lines: 0.3 to 3 s between messages, run 30 times faster; modbus: one
# poll a second, run 10 times faster). The program folder's settings are 9600,N,8,1, so the
# stop bits found are 1 whatever the line's (a receiver checks only the first stop bit).
# Prints one row per line (the setting found, the exit status, the seconds), then how many
# were found and the worst and the median time of those.
#
# Usage: bench/measure-detect.sh [BUILD_DIR]     (default: build)
#   LINES="chat:19200,7,E,1 modbus:9600,8,N,1"   the lines to try (default: the table below)
# Build first: cmake --build BUILD_DIR --target vexlo-cli vexlo-unit
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
LINES="${LINES:-chat:9600,8,N,1 chat:19200,7,E,1 chat:115200,8,E,1 chat:2400,8,N,2
    chat:150,7,O,1 chat:300,8,N,1 lines:38400,7,N,2 lines:4800,8,O,1.5 lines:28800,7,O,1
    lines:14400,8,E,1 modbus:19200,8,E,1 modbus:9600,8,N,1 modbus:76800,8,O,1
    modbus:1200,8,N,2 modbus:115200,8,N,1 modbus:600,8,E,1}"
WORK="$(mktemp -d)"
UNIT_PID=""

# Ends the unit; one that is too busy to end by itself within a second is killed.
stop_unit() {
    if [ -n "$UNIT_PID" ]; then
        kill "$UNIT_PID" 2>/dev/null || true
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$UNIT_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$UNIT_PID" 2>/dev/null || true
        wait "$UNIT_PID" 2>/dev/null || true
        UNIT_PID=""
    fi
}
cleanup() {
    stop_unit
    rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/home/ports"
printf '[Comm_Inf]\nSpeed=9600\nDataLength=1\nStopBit=0\nParity=0\n' >"$WORK/home/VXParam.ini"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-8s %-14s %-14s %-5s %4s %8s\n' scenario "true line" found ok exit seconds
times=()
total=0
for entry in $LINES; do
    scenario="${entry%%:*}"
    line="${entry#*:}"
    IFS=, read -r speed bits parity _ <<<"$line"
    want="$speed,$parity,$bits,1"
    factor=30
    [ "$scenario" = modbus ] && factor=10
    "$BIN/vexlo-unit" --link "$WORK/home/ports/COM1" --scenario "$scenario" \
        --rate-factor "$factor" --line "$line" >"$WORK/unit.out" 2>&1 &
    UNIT_PID=$!
    until grep -q ready "$WORK/unit.out" 2>/dev/null; do sleep 0.05; done
    start=$(date +%s.%N)
    set +e
    "$BIN/vexlo-cli" detect --home "$WORK/home" --port 1 >"$WORK/out" 2>"$WORK/err"
    code=$?
    set -e
    end=$(date +%s.%N)
    stop_unit
    found="$(tail -n 1 "$WORK/out")"
    [ "$code" = 0 ] || found="-"
    seconds=$(echo "$end - $start" | bc)
    ok=no
    if [ "$found" = "$want" ]; then
        ok=yes
        times+=("$seconds")
    fi
    total=$((total + 1))
    printf '%-8s %-14s %-14s %-5s %4s %8.1f\n' "$scenario" "$line" "$found" "$ok" "$code" "$seconds"
    if [ "$code" != 0 ]; then
        sed 's/^/         /' "$WORK/err"
    fi
done
count=${#times[@]}
if [ "$count" = 0 ]; then
    echo "found none of $total lines"
    exit 1
fi
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
worst=$(echo "$sorted" | tail -n 1)
median=$(echo "$sorted" | sed -n "$(((count + 1) / 2))p")
printf 'found %d of %d lines; of those: worst %.1f s, median %.1f s (goal: at most 20 s each)\n' \
    "$count" "$total" "$worst" "$median"
