#!/usr/bin/env bash
# Times `vexlo-cli frames` against `vexlo-cli export` of the same capture in the same run, with
# peak memory, under /usr/bin/time -v:
#
#   1. a piece of about a mebibyte of a polled Modbus RTU line (19200 bit/s, 8E1, idle steps of
#      10 ms): requests and replies of 1 to 16 registers with 20 ms idle between them, a time
#      stamp every 50 polls, one reply in 100 with stray bytes after it, one in 200 with a bad
#      CRC; made with python3 and ending with a whole poll, so that copies join into whole
#      frames;
#   2. a capture of SIZE_MB mebibytes of copies of that piece (default 2560, 2.5 GiB);
#   3. once each, to /dev/null (so that the disk does not decide): `export` (fixed layout,
#      hexadecimal), `frames` (text), `frames --modbus` (text) and `frames --modbus --format
#      json`, and `frames --protocol` with modbus-ascii, lines and a definition of VXProto.ini
#      (start byte, length field, CRC-16 after the data, as the replies are built); the elapsed
#      time, the peak resident memory and the ratio of the time to export's.
# Goals: frames at most 2x export and any --protocol at most 3x, each below 64 MB of memory.
#
# Usage: bench/frames-vs-export.sh [BUILD_DIR]     (default: build)
#   SIZE_MB=N     size of the capture in MiB (default 2560)
#   WORK_DIR=D    the folder for the capture (default: a temporary folder; it is removed)
# Build first: cmake --build BUILD_DIR --target vexlo-cli
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
SIZE_MB="${SIZE_MB:-2560}"
WORK="$(mktemp -d "${WORK_DIR:-${TMPDIR:-/tmp}}/frames-vs-export.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
command -v /usr/bin/time >/dev/null || { echo "/usr/bin/time is missing (make deps)" >&2; exit 1; }

/usr/bin/python3 - "$WORK/piece.bin" <<'PY'
import random, struct, sys

def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc

def frame(body, sd, bad=False):
    crc = crc16(body) ^ (0x5A5A if bad else 0)
    out = bytearray()
    for v in bytes(body) + struct.pack("<H", crc):
        out += bytes((0x80 | (0x20 if sd else 0) | v >> 4, 0xC0 | (v & 15)))
    return out

random.seed(43)
out = bytearray()
poll = 0
idle = 12 * 3600 * 10**6  # the line's time: the idle in microseconds ...
chars = 0  # ... and the characters of 11 bits at 19200 bit/s
while len(out) < 1 << 20:
    if poll % 50 == 0:
        s = (idle + chars * 11 * 10**6 // 19200) // 10**6
        out += bytes((0x30, s // 3600, s // 60 % 60, s % 60))
    count = 1 + poll % 16
    idle += 40000
    chars += 8 + 5 + 2 * count + (2 if poll % 100 == 3 else 0)
    address = random.randrange(0, 1000)
    out += frame([1, 3, address >> 8, address & 255, 0, count], True)
    out += bytes((0x20, 0, 0, 2))
    reply = [1, 3, 2 * count] + [random.randrange(256) for _ in range(2 * count)]
    out += frame(reply, False, bad=poll % 200 == 7)
    if poll % 100 == 3:
        out += frame([random.randrange(256) for _ in range(1)], False)[:4]  # stray bytes
    out += bytes((0x20, 0, 0, 2))
    poll += 1
open(sys.argv[1], "wb").write(out)
PY
# Header: RS232C, 19200 bit/s, 8 bits, 1 stop bit, even parity; hex display, idle 10 ms.
/usr/bin/python3 -c 'import struct, sys; sys.stdout.buffer.write(struct.pack("<hihhhhhhhhh", 0, 19200, 1, 0, 2, 1, 0, 100, 0, 1, 0))' \
    >"$WORK/big.vxm"
cp "$WORK/big.vxm" "$WORK/small.vxm"
cat "$WORK/piece.bin" "$WORK/piece.bin" >>"$WORK/small.vxm"
echo "the summary of two pieces:"
"$BIN/vexlo-cli" frames "$WORK/small.vxm" --modbus | tail -6
piece=$(stat -c %s "$WORK/piece.bin")
copies=$(( (SIZE_MB << 20) / piece ))
for ((i = 0; i < copies; i++)); do cat "$WORK/piece.bin"; done >>"$WORK/big.vxm"
rm "$WORK/piece.bin"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg); capture: $(stat -c %s "$WORK/big.vxm") bytes ($copies pieces of $piece)"

printf '[poll]\nStart=01\nLength=2,1,BE,5\nCheck=crc16-modbus\nMax=300\n' >"$WORK/VXProto.ini"

# measure LABEL COMMAND...: "LABEL seconds peak-kB".
TIME_REPORT="$WORK/time.txt"
# shellcheck source=bench/time-v.sh
source "$(dirname "$0")/time-v.sh"
{
    measure export "$BIN/vexlo-cli" export "$WORK/big.vxm" --layout fixed --display hex -o /dev/null
    measure frames "$BIN/vexlo-cli" frames "$WORK/big.vxm" -o /dev/null
    measure frames-modbus "$BIN/vexlo-cli" frames "$WORK/big.vxm" --modbus -o /dev/null
    measure frames-json "$BIN/vexlo-cli" frames "$WORK/big.vxm" --modbus --format json -o /dev/null
    measure frames-ascii "$BIN/vexlo-cli" frames "$WORK/big.vxm" --protocol modbus-ascii -o /dev/null
    measure frames-lines "$BIN/vexlo-cli" frames "$WORK/big.vxm" --protocol lines -o /dev/null
    measure frames-defined "$BIN/vexlo-cli" frames "$WORK/big.vxm" --protocol poll \
        --protocols "$WORK/VXProto.ini" -o /dev/null
} >"$WORK/results"
awk '$1 == "export" { x = $2 } { r[NR] = $0 } END {
    printf "%-14s %10s %14s %12s\n", "command", "time (s)", "peak RSS (MB)", "time / export";
    for (i = 1; i <= NR; i++) { split(r[i], f, " ");
        printf "%-14s %10.2f %14.1f %12.2f\n", f[1], f[2], f[3] / 1024, f[2] / x } }' \
    "$WORK/results"
