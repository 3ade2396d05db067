#!/usr/bin/env bash
# Measures the program opening a capture log file far larger than its capture buffer: the
# time until the file is shown and the program's memory then (peak resident, anonymous and
# file-backed resident), once as it runs and once under a data-segment limit (RLIMIT_DATA)
# far below the file's size, which the display words kept in a mapped file do not count
# against. The capture is 1 MiB of records (data pairs of both directions, an idle record
# and a time stamp now and then) repeated.
#
# Usage: bench/measure-open.sh [BUILD_DIR]        (default: build)
#   SIZE_MB=N     size of the capture in MiB (default 3072)
#   LIMIT_MB=N    the data-segment limit of the second run (default 256)
#   DIR=D         where the capture goes (default: a temporary folder; removed at the end)
# Build first: cmake --build BUILD_DIR --target vexlo
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
SIZE_MB="${SIZE_MB:-3072}"
LIMIT_MB="${LIMIT_MB:-256}"
WORK="$(mktemp -d "${DIR:-${TMPDIR:-/tmp}}/measure-open.XXXXXX")"
PID=""
cleanup() {
    [ -n "$PID" ] && kill "$PID" 2>/dev/null && wait "$PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

python3 - "$WORK/piece.bin" <<'PY'
import sys
out = bytearray()
i = 0
while len(out) < (1 << 20):
    v = (0x41 + i % 26) & 0xFF
    sd = 0x20 if (i // 64) % 2 else 0
    out += bytes([0x80 | sd | (v >> 4), 0xC0 | (v & 15)])
    if i % 500 == 499:
        out += bytes([0x20, 0, 1, 50])
    if i % 5000 == 4999:
        out += bytes([0x30, 12, 34, 56])
    i += 1
sys.stdout.buffer.write(b"")
open(sys.argv[1], "wb").write(bytes(out[: 1 << 20]))
PY
printf '\0\0\0\xc2\1\0\1\0\0\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0' >"$WORK/big.vxm"  # 115200 8N1
for ((i = 0; i < SIZE_MB; i++)); do cat "$WORK/piece.bin"; done >>"$WORK/big.vxm"
rm "$WORK/piece.bin"
echo "capture: $(stat -c %s "$WORK/big.vxm") bytes; load $(cut -d' ' -f1-3 /proc/loadavg)"

# run LABEL [PREFIX...]: starts the program on the capture and waits until its words are
# mapped and its CPU time stands still for a second.
run() {
    local label="$1"
    shift
    local home="$WORK/home-$label"
    mkdir -p "$home"
    local start
    start=$(date +%s.%N)
    QT_QPA_PLATFORM=offscreen "$@" "$BIN/vexlo" --home "$home" "$WORK/big.vxm" 2>"$WORK/err" &
    PID=$!
    local last=-1 ticks shown=""
    while kill -0 "$PID" 2>/dev/null; do
        sleep 0.5
        ticks=$(awk '{print $14 + $15}' "/proc/$PID/stat")
        if [ -z "$shown" ] && grep -q "(deleted)" "/proc/$PID/maps"; then
            shown=1
        fi
        if [ -n "$shown" ] && [ "$ticks" = "$last" ]; then
            break
        fi
        last=$ticks
    done
    if ! kill -0 "$PID" 2>/dev/null; then
        echo "$label: the program ended: $(cat "$WORK/err")"
        PID=""
        return
    fi
    local end
    end=$(date +%s.%N)
    awk -v l="$label" -v t="$(echo "$end - $start" | bc)" '
        /^VmHWM/ {hwm = $2} /^RssAnon/ {anon = $2} /^RssFile/ {file = $2}
        END {printf "%-22s open %.1f s  peak RSS %d MB  anonymous %d MB  file-backed %d MB\n",
             l, t, hwm / 1024, anon / 1024, file / 1024}' "/proc/$PID/status"
    kill "$PID"
    wait "$PID" 2>/dev/null || true
    PID=""
}

run plain
run "data-limit-${LIMIT_MB}MB" prlimit --data=$((LIMIT_MB << 20))
