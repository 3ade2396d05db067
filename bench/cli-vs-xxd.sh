#!/usr/bin/env bash
# Times `vexlo-cli export` against `xxd` on the same capture bytes, with plain `time`:
#
#   1. a capture log file of SIZE_MB megabytes of records (data pairs in both directions at
#      random, a time stamp every 4096 bytes, some line-state records), made with perl;
#   2. `xxd` and `xxd -p` of its data bytes (the file without its 24-byte header);
#   3. `vexlo-cli export` of the file in the fixed layout, 50 cells, hexadecimal, to a file
#      with -o (temporary file and rename) and to standard output redirected to a file;
#      the switch layout in screen texts for comparison.
# Each command runs REPEAT times; the best real time is printed with the command.
#   4. streaming: a capture of STREAM_MB mebibytes (the records of step 1 repeated; choose it
#      several times the machine's page cache to read from the disk), and `info`, `export`
#      (fixed layout, hexadecimal, -o), `pcap` (-o) and `xxd` of the same file, once each
#      under /usr/bin/time -v: elapsed time and peak resident memory, and the ratio to xxd.
#
# Usage: bench/cli-vs-xxd.sh [BUILD_DIR]          (default: build)
#   SIZE_MB=N     size of the capture (default 16)
#   REPEAT=N      runs of each command (default 5)
#   STREAM_MB=N   size of the streaming case in MiB (default 4096; 0 skips it)
#   STREAM_DIR=D  the folder for its files (default: a temporary folder; they are removed)
# Build first: cmake --build BUILD_DIR --target vexlo-cli
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
SIZE_MB="${SIZE_MB:-16}"
REPEAT="${REPEAT:-5}"
STREAM_MB="${STREAM_MB:-4096}"
WORK="$(mktemp -d)"
STREAM="$(mktemp -d "${STREAM_DIR:-${TMPDIR:-/tmp}}/cli-vs-xxd.XXXXXX")"
trap 'rm -rf "$WORK" "$STREAM"' EXIT
command -v xxd >/dev/null || { echo "xxd is missing (make deps installs it)" >&2; exit 1; }

perl -e '
    srand(42);
    my $n = $ARGV[0] * 1000000;
    # Header: RS232C, 9600 bit/s, 8 bits, 1 stop bit, no parity; hex display.
    my $out = pack("s<l<s<s<s<s<s<s<s<s<s<", 0, 9600, 1, 0, 0, 1, 0, 0, 0, 1, 0);
    my $data = "";
    while (length($data) < $n) {
        if (length($data) % 4096 < 2) { $data .= pack("C4", 0x30, 12, 34, 56); next; }
        if (rand() < 0.005) { $data .= pack("C2", 0x40 | int(rand(64)), 0x30); next; }
        my $v = int(rand(256));
        my $dir = rand() < 0.5 ? 0x20 : 0;
        $data .= pack("C2", 0x80 | $dir | ($v >> 4), 0xC0 | ($v & 15));
    }
    print $out . substr($data, 0, $n);
' "$SIZE_MB" >"$WORK/capture.vxm"
tail -c +25 "$WORK/capture.vxm" >"$WORK/capture.bin"

best() {
    local label="$1"
    shift
    local bestTime=""
    for ((i = 0; i < REPEAT; i++)); do
        local start end
        start=$(date +%s.%N)
        "$@"
        end=$(date +%s.%N)
        bestTime=$(awk -v s="$start" -v e="$end" -v b="$bestTime" \
            'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
    done
    printf '%-48s best of %d: %6.3f s\n' "$label" "$REPEAT" "$bestTime"
    echo "$bestTime" >"$WORK/last"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); capture: $(stat -c %s "$WORK/capture.vxm") bytes"
echo "plain time of each command once (on standard error):"
TIMEFORMAT='  real %3R s, user %3U s, sys %3S s'
echo "xxd capture.bin > xxd.txt"
time xxd "$WORK/capture.bin" >"$WORK/xxd.txt"
echo "vexlo-cli export capture.vxm --layout fixed --cells 50 --display hex -o export.txt"
time "$BIN/vexlo-cli" export "$WORK/capture.vxm" --layout fixed --cells 50 --display hex \
    -o "$WORK/export.txt"
best "xxd capture.bin > xxd.txt" sh -c "xxd '$WORK/capture.bin' >'$WORK/xxd.txt'"
xxdTime=$(cat "$WORK/last")
best "xxd -p capture.bin > xxd.txt" sh -c "xxd -p '$WORK/capture.bin' >'$WORK/xxd.txt'"
best "vexlo-cli export --layout fixed -o export.txt" \
    "$BIN/vexlo-cli" export "$WORK/capture.vxm" --layout fixed --cells 50 --display hex \
    -o "$WORK/export.txt"
exportTime=$(cat "$WORK/last")
best "vexlo-cli export --layout fixed > export.txt" sh -c \
    "'$BIN/vexlo-cli' export '$WORK/capture.vxm' --layout fixed --display hex >'$WORK/export.txt'"
best "vexlo-cli export (switch, screen texts)" \
    "$BIN/vexlo-cli" export "$WORK/capture.vxm" --display ascii -o "$WORK/switch.txt"
echo "output sizes: xxd $(stat -c %s "$WORK/xxd.txt"), export $(stat -c %s "$WORK/export.txt"), switch $(stat -c %s "$WORK/switch.txt") bytes"
awk -v e="$exportTime" -v x="$xxdTime" 'BEGIN { printf "vexlo-cli export (fixed, -o) / xxd: %.2f\n", e / x }'

[ "$STREAM_MB" -gt 0 ] || exit 0
command -v /usr/bin/time >/dev/null || { echo "/usr/bin/time is missing (make deps)" >&2; exit 1; }
# The records of step 1 cut at a whole mebibyte (a multiple of 4096, where a time stamp
# starts), so that copies of them join into whole records.
head -c $((1 << 20)) "$WORK/capture.bin" >"$STREAM/piece.bin"
head -c 24 "$WORK/capture.vxm" >"$STREAM/big.vxm"
for ((i = 0; i < STREAM_MB; i++)); do cat "$STREAM/piece.bin"; done >>"$STREAM/big.vxm"
rm "$STREAM/piece.bin"
echo "streaming: $(stat -c %s "$STREAM/big.vxm") bytes; free memory $(awk '/MemAvailable/ {print int($2 / 1024)}' /proc/meminfo) MB"
# measure LABEL COMMAND...: "LABEL seconds peak-kB".
TIME_REPORT="$STREAM/time.txt"
# shellcheck source=bench/time-v.sh
source "$(dirname "$0")/time-v.sh"
{
    measure xxd xxd "$STREAM/big.vxm" "$STREAM/out"
    measure info "$BIN/vexlo-cli" info "$STREAM/big.vxm"
    measure export "$BIN/vexlo-cli" export "$STREAM/big.vxm" --layout fixed --display hex \
        -o "$STREAM/out"
    measure pcap "$BIN/vexlo-cli" pcap "$STREAM/big.vxm" -o "$STREAM/out"
} >"$STREAM/results"
rm -f "$STREAM/out"
awk '$1 == "xxd" { x = $2 } { r[NR] = $0 } END {
    printf "%-10s %10s %14s %10s\n", "command", "time (s)", "peak RSS (MB)", "time / xxd";
    for (i = 1; i <= NR; i++) { split(r[i], f, " ");
        printf "%-10s %10.2f %14.1f %10.2f\n", f[1], f[2], f[3] / 1024, f[2] / x } }' \
    "$STREAM/results"
