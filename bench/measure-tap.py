#!/usr/bin/python3
"""The pace of vexlo-unit as a tap between two pseudo-terminals.

The time a block of N characters takes from the moment it is written on side A until its
last character is read on side B, as a ratio to N x the character time of the line (1.000 is
a real line; the excess is the time the tap and the reader take to wake up). The line is set
through the unit's own link, as Vexlo sets it: 9600 bit/s, 8N1 by default.

Usage: bench/measure-tap.py [BUILD_DIR]     (default: build)
  SIZES="10 100 1000"   block sizes N (default: 10 100 1000)
  REPEAT=5              blocks of each size; the median is shown (default: 5)
  SPEED=9600            the line's speed: 9600, 19200, 38400, 57600 or 115200
Build first: cmake --build BUILD_DIR --target vexlo-unit
"""
import os
import select
import statistics
import subprocess
import sys
import tempfile
import time
import tty

CODES = {9600: "06", 19200: "08", 38400: "0A", 57600: "0C", 115200: "0E"}


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


def measure(work, speed, sizes, repeat):
    unit = raw(work + "/COM1")
    os.write(unit, f"S0000\rS01{CODES[speed]}\rS0210\rS0331\r".encode())
    assert read_exactly(unit, 12, time.monotonic() + 2) == b"OK\r" * 4, "the unit refused"
    a, b = raw(work + "/a"), raw(work + "/b")
    character = 10 / speed  # 8N1: start bit, 8 data bits, stop bit
    print(f"{speed} bit/s 8N1, character time {character * 1e6:.1f} us")
    print(f"{'N':>6} {'N x character':>14} {'median':>10} {'ratio':>7} {'min':>7} {'max':>7}")
    for n in sizes:
        block = bytes(i % 256 for i in range(n))
        ratios, times = [], []
        for _ in range(repeat):
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


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    speed = int(os.environ.get("SPEED", "9600"))
    sizes = [int(n) for n in os.environ.get("SIZES", "10 100 1000").split()]
    repeat = int(os.environ.get("REPEAT", "5"))
    with open("/proc/loadavg") as load:
        print("load average:", " ".join(load.read().split()[:3]))
    with tempfile.TemporaryDirectory() as work:
        unit = subprocess.Popen([os.path.join(build, "bin", "vexlo-unit"), "--link",
                                 work + "/COM1", "--tap-sd", work + "/a", "--tap-rd", work + "/b"],
                                stdout=subprocess.PIPE, text=True)
        try:
            assert unit.stdout.readline().startswith("ready"), "the unit did not start"
            measure(work, speed, sizes, repeat)
        finally:
            unit.terminate()
            unit.wait()


if __name__ == "__main__":
    main()
