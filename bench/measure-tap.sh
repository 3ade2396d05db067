#!/usr/bin/env bash
# The pace of vexlo-unit as a tap between two pseudo-terminals: the time a block of N
# characters takes from the moment it is written on side A until its last character is read
# on side B, as a ratio to N x the character time of the line (1.000 is a real line; the
# excess is the time the tap and the reader take to wake up). The line is set through the
# unit's own link, as Vexlo sets it: 9600 bit/s, 8N1 by default.
#
# Usage: bench/measure-tap.sh [BUILD_DIR]     (default: build)
#   SIZES="10 100 1000"   block sizes N (default: 10 100 1000)
#   REPEAT=5              blocks of each size; the median is shown (default: 5)
#   SPEED=9600            S01 speed code's speed: 9600, 19200, 38400, 57600 or 115200
# Build first: cmake --build BUILD_DIR --target vexlo-unit
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
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

"$BIN/vexlo-unit" --link "$WORK/COM1" --tap-sd "$WORK/a" --tap-rd "$WORK/b" >"$WORK/unit.out" 2>&1 &
UNIT_PID=$!
until grep -q ready "$WORK/unit.out" 2>/dev/null; do sleep 0.05; done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
SIZES="${SIZES:-10 100 1000}" REPEAT="${REPEAT:-5}" SPEED="${SPEED:-9600}" WORK="$WORK" \
    /usr/bin/python3 - <<'PY'
import os, select, statistics, time, tty

codes = {9600: "06", 19200: "08", 38400: "0A", 57600: "0C", 115200: "0E"}
speed = int(os.environ["SPEED"])
work = os.environ["WORK"]


def raw(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
    tty.setraw(fd)
    return fd


def read_exactly(fd, count, deadline):
    got = b""
    while len(got) < count and time.monotonic() < deadline:
        if select.select([fd], [], [], 0.1)[0]:
            got += os.read(fd, 65536)
    return got


unit = raw(work + "/COM1")
os.write(unit, f"S0000\rS01{codes[speed]}\rS0210\rS0331\r".encode())
assert read_exactly(unit, 12, time.monotonic() + 2) == b"OK\r" * 4, "the unit refused the line"
a, b = raw(work + "/a"), raw(work + "/b")
character = 10 / speed  # 8N1: start bit, 8 data bits, stop bit
print(f"{speed} bit/s 8N1, character time {character * 1e6:.1f} us")
print(f"{'N':>6} {'N x character':>14} {'median':>10} {'ratio':>7} {'min':>7} {'max':>7}")
for n in map(int, os.environ["SIZES"].split()):
    block = bytes(i % 256 for i in range(n))
    ratios, times = [], []
    for _ in range(int(os.environ["REPEAT"])):
        time.sleep(0.05)  # a quiet line before each block
        start = time.monotonic()
        os.write(a, block)
        got = read_exactly(b, n, start + 2 * n * character + 5)
        elapsed = time.monotonic() - start
        assert got == block, f"{len(got)} of {n} characters arrived, or not as sent"
        times.append(elapsed)
        ratios.append(elapsed / (n * character))
    print(f"{n:>6} {n * character * 1e3:>11.1f} ms {statistics.median(times) * 1e3:>7.1f} ms "
          f"{statistics.median(ratios):>7.3f} {min(ratios):>7.3f} {max(ratios):>7.3f}")
PY
