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
#
# Usage: bench/cli-vs-xxd.sh [BUILD_DIR]          (default: build)
#   SIZE_MB=N     size of the capture (default 16)
#   REPEAT=N      runs of each command (default 5)
# Build first: cmake --build BUILD_DIR --target vexlo-cli
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
SIZE_MB="${SIZE_MB:-16}"
REPEAT="${REPEAT:-5}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
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
