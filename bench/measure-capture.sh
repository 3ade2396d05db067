#!/usr/bin/env bash
# The highest --rate-factor of the virtual unit at which `vexlo-cli capture` stores a flood
# (115200 bit/s, 8N1, both directions at full rate) byte for byte: for each factor F the unit
# sends 3 s of real time (3 x F line seconds) and the capture runs 2 s longer; the capture
# file must hold exactly what the unit recorded. With --autosave (AUTOSAVE=1, 1000 kB files)
# the auto-save files must hold it too.
#
# Usage: bench/measure-capture.sh [BUILD_DIR]     (default: build)
#   FACTORS="10 20 40"   factors to try, in order (default: doubling from 10 to 640)
#   AUTOSAVE=1           also write auto-save files
# Build first: cmake --build BUILD_DIR --target vexlo-cli vexlo-unit
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
FACTORS="${FACTORS:-10 20 40 80 160 320 640}"
AUTOSAVE="${AUTOSAVE:-0}"
WORK="$(mktemp -d)"
UNIT_PID=""

cleanup() {
    if [ -n "$UNIT_PID" ]; then
        kill "$UNIT_PID" 2>/dev/null || true
        wait "$UNIT_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for f in $FACTORS; do
    rm -rf "$WORK/home" "$WORK/auto" "$WORK/record.bin"
    mkdir -p "$WORK/home/ports" "$WORK/auto"
    "$BIN/vexlo-unit" --link "$WORK/home/ports/COM5" --scenario flood --rate-factor "$f" \
        --duration "$((3 * f))" --record "$WORK/record.bin" >"$WORK/unit.out" 2>&1 &
    UNIT_PID=$!
    until grep -q ready "$WORK/unit.out" 2>/dev/null; do sleep 0.05; done
    extra=()
    if [ "$AUTOSAVE" = 1 ]; then
        extra=(--autosave "$WORK/auto/flood.vxm" --block-kb 1000)
    fi
    cmd=("$BIN/vexlo-cli" capture --home "$WORK/home" --port 5 --speed 115200 \
        -o "$WORK/flood.vxm" --seconds 5 "${extra[@]}")
    status=0
    "${cmd[@]}" 2>"$WORK/cli.err" || status=$?
    kill "$UNIT_PID"
    wait "$UNIT_PID" || true
    UNIT_PID=""
    sent=$(stat -c %s "$WORK/record.bin")
    stored=$(($(stat -c %s "$WORK/flood.vxm") - 24))
    same=no
    if [ "$status" = 0 ] && tail -c +25 "$WORK/flood.vxm" | cmp -s - "$WORK/record.bin"; then
        same=yes
        if [ "$AUTOSAVE" = 1 ]; then
            for a in "$WORK"/auto/*.vxm; do tail -c +25 "$a"; done | cmp -s - "$WORK/record.bin" || same=no
        fi
    fi
    echo "factor $f: sent $sent bytes, stored $stored, exit $status, byte for byte: $same"
    if [ "$same" != yes ]; then
        echo "highest loss-free factor: below $f"
        exit 0
    fi
done
echo "highest loss-free factor: at least the last one tried"
