#!/usr/bin/env bash
# Soak test (not in CI): a long run against the virtual unit's flood, both directions at full
# line rate, paced faster than real, with every stored byte going to disk. It checks that
# nothing is lost over the whole run (the bytes on disk equal the unit's --record file byte for
# byte) and that the program's memory stays flat, and prints the figures.
#
# Usage: bench/soak.sh [--minutes M] [--rate-factor F] [--mode app|cli] [BUILD_DIR]
#   --minutes M      length of the run in real minutes (default 60)
#   --rate-factor F  vexlo-unit --rate-factor (default 10); the line is 115200 bit/s 8N1
#   --mode app       (default) the real main window, offscreen (vexlo-live-probe): the
#                    capture's auto-save block is on and each full block is appended to one
#                    file (--block-file), the path every stored byte takes to auto-save
#   --mode cli       vexlo-cli capture with auto-save: the blocks are auto-save files
#                    BASE_yymmddhhmmss.vxm in the data folder, joined in name order
#   KEEP=1           keep the work folder (record, blocks, memory samples) and print it
#   SAMPLE=S         seconds between memory samples (default 10)
#
# The cli mode runs, on the program folder HOME (its VXParam.ini gives the port, the line and
# the buffer size, and so the size of an auto-save file):
#   vexlo-cli capture --home HOME --seconds SECS -o WHOLE.vxm --autosave BASE.vxm
# and checks both the whole capture and the auto-save files joined in name order.
# SOAK_CLI_CAPTURE gives another command, with $BIN, $HOME_DIR, $SECS, $WHOLE and $BASE left
# for the script to fill in.
#
# Build first: cmake --build BUILD_DIR --target vexlo-unit vexlo-live-probe vexlo-cli
# About 1.7 GB of disk per hour at factor 10 for each of the record and the blocks.
set -euo pipefail

# shellcheck disable=SC2016 # filled in by eval below
DEFAULT_CLI_CAPTURE='$BIN/vexlo-cli capture --home $HOME_DIR --seconds $SECS -o $WHOLE --autosave $BASE'
MINUTES=60
FACTOR=10
MODE=app
while [ $# -gt 0 ]; do
    case "$1" in
        --minutes) MINUTES="$2"; shift 2 ;;
        --rate-factor) FACTOR="$2"; shift 2 ;;
        --mode) MODE="$2"; shift 2 ;;
        --help | -h) sed -n '2,26p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) break ;;
    esac
done
BIN="$(cd "${1:-build}/bin" && pwd)"
SAMPLE="${SAMPLE:-10}"
SECS=$((MINUTES * 60))
WORK="$(mktemp -d "${TMPDIR:-/tmp}/vexlo-soak.XXXXXX")"
HOME_DIR="$WORK/home"
UNIT_PID=""
RUN_PID=""

cleanup() {
    for pid in "$RUN_PID" "$UNIT_PID"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    if [ "${KEEP:-0}" = 1 ]; then
        echo "work folder kept: $WORK"
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

# A program folder with the unit on port 5, the flood's line, no idle or time-stamp records
# (the unit's record holds only what it sent), the largest buffer the options allow (blocks of
# 4 MB: one every few seconds, so that block files named to the second never meet), and every
# auto-save file kept.
mkdir -p "$HOME_DIR/ports" "$HOME_DIR/Dat"
cat >"$HOME_DIR/VXParam.ini" <<EOF
[Mode_Inf]
IdleMode=0
TimeStamp=0
[Comm_Inf]
Type=0
Speed=115200
DataLength=1
StopBit=0
Parity=0
[VX_Inf]
Auto=0
Port=5
[Buffer_Inf]
Size=4000
Dir=$HOME_DIR/Dat
MaxFiles=0
FileDate=0
EOF

# The line carries traffic until 10 s before the run ends, and then is quiet: what the unit
# sends after the program has stopped monitoring (the stop takes effect when it is given, and
# the unit goes on until "G00" reaches it) is not part of the capture, so with the stream
# ending first everything the unit recorded must have been kept.
QUIET=$((SECS > 20 ? 10 : 1))
"$BIN/vexlo-unit" --link "$HOME_DIR/ports/COM5" --scenario flood --rate-factor "$FACTOR" \
    --duration $(((SECS - QUIET) * FACTOR)) --record "$WORK/record.bin" >"$WORK/unit.out" 2>&1 &
UNIT_PID=$!
for _ in $(seq 100); do
    grep -q '^ready ' "$WORK/unit.out" && break
    sleep 0.05
done
grep -q '^ready ' "$WORK/unit.out" || { echo "vexlo-unit did not start: $(cat "$WORK/unit.out")" >&2; exit 1; }

echo "soak: mode $MODE, $MINUTES min, flood at rate factor $FACTOR (115200 bit/s 8N1, both directions)"
echo "load average at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
case "$MODE" in
    app)
        cmd=("$BIN/vexlo-live-probe" --home "$HOME_DIR" --seconds "$SECS" --block-file "$WORK/blocks.bin")
        ;;
    cli)
        BASE="$HOME_DIR/Dat/soak.vxm"
        WHOLE="$WORK/whole.vxm"
        eval "cmd=(${SOAK_CLI_CAPTURE:-$DEFAULT_CLI_CAPTURE})"
        ;;
    *)
        echo "unknown mode $MODE" >&2
        exit 2
        ;;
esac
echo "\$ ${cmd[*]}"
start=$(date +%s)
"${cmd[@]}" >"$WORK/run.out" 2>&1 &
RUN_PID=$!

# Resident memory of the program every SAMPLE seconds: seconds since the start, kB.
: >"$WORK/rss.csv"
last=-$SAMPLE
while kill -0 "$RUN_PID" 2>/dev/null; do
    now=$(($(date +%s) - start))
    if [ $((now - last)) -ge "$SAMPLE" ]; then
        rss=$(sed -n "s/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p" "/proc/$RUN_PID/status" 2>/dev/null || true)
        [ -n "$rss" ] && [ "$rss" != 0 ] && echo "$now $rss" >>"$WORK/rss.csv"
        last=$now
    fi
    sleep 1
done
wait "$RUN_PID" && status=0 || status=$?
RUN_PID=""
elapsed=$(($(date +%s) - start))
kill "$UNIT_PID" 2>/dev/null || true
wait "$UNIT_PID" 2>/dev/null || true
UNIT_PID=""
echo "run ended after $elapsed s with exit status $status"
{ grep -v '^prompt' "$WORK/run.out" || true; } | sed 's/^/  /' | head -n 20

# The bytes kept on disk, in order.
if [ "$MODE" = app ]; then
    kept="$WORK/blocks.bin"
    echo "blocks: $(sed -n 's/^blocks_written=//p' "$WORK/run.out") written, ok=$(sed -n 's/^blocks_ok=//p' "$WORK/run.out")"
else
    kept="$WORK/joined.bin"
    : >"$kept"
    files=0
    while IFS= read -r f; do
        tail -c +25 "$f" >>"$kept"
        files=$((files + 1))
    done < <(find "$HOME_DIR/Dat" -name 'soak_*.vxm' | LC_ALL=C sort)
    echo "auto-save files: $files"
    if [ -f "$WORK/whole.vxm" ]; then
        tail -c +25 "$WORK/whole.vxm" >"$WORK/whole.bin"
        if cmp -s "$WORK/record.bin" "$WORK/whole.bin"; then whole=1; else whole=0; fi
        echo "whole capture file: $(stat -c %s "$WORK/whole.bin") bytes; equal to the unit's record: $whole"
        [ "$whole" = 1 ] || status=1
    fi
fi
sent=$(stat -c %s "$WORK/record.bin")
stored=$(stat -c %s "$kept")
if [ "$sent" -gt 0 ] && cmp -s "$WORK/record.bin" "$kept"; then equal=1; else equal=0; fi
echo "bytes sent by the unit: $sent; bytes kept on disk: $stored; equal (zero loss): $equal"
if [ "$equal" = 0 ]; then
    { cmp "$WORK/record.bin" "$kept" 2>&1 || true; } | head -n 1 | sed 's/^/  first difference: /'
fi

# Memory: after a warm-up of a tenth of the run, the least-squares slope and the change from
# the mean of the first quarter to the mean of the last quarter of the samples.
awk -v warm=$((SECS / 10)) '
    BEGIN { n = 0 }
    $1 >= warm { t[n] = $1; r[n] = $2; n++ }
    END {
        if (n < 4) { print "memory: too few samples"; exit }
        for (i = 0; i < n; i++) { st += t[i]; sr += r[i]; if (r[i] > max || i == 0) max = r[i]; if (r[i] < min || i == 0) min = r[i] }
        mt = st / n; mr = sr / n
        for (i = 0; i < n; i++) { num += (t[i] - mt) * (r[i] - mr); den += (t[i] - mt) ^ 2 }
        q = int(n / 4); for (i = 0; i < q; i++) { a += r[i]; b += r[n - 1 - i] }
        growth = (b - a) / q
        printf "memory after warm-up: %d samples, min %d kB, max %d kB, mean %d kB\n", n, min, max, mr
        printf "memory slope: %.1f kB per hour; last quarter minus first quarter: %d kB\n", num / den * 3600, growth
        flat = (growth < 2048 && growth < mr * 0.02) ? 1 : 0
        printf "memory flat (growth under 2 MB and under 2 %%): %d\n", flat
    }' "$WORK/rss.csv"
echo "load average at end: $(cut -d ' ' -f 1-3 /proc/loadavg)"
[ "$status" = 0 ] && [ "$equal" = 1 ]
