#!/usr/bin/env bash
# Load check (not in CI): runs a test program several times while the processors are kept
# busy, to catch tests that wait on the wall clock where they should use virtual time. Prints
# each failed test and a summary line; exit status 1 when any run failed.
#
# Usage: tests/load-check.sh [--runs N] [--busy K] [--filter PATTERN] [--program NAME] [BUILD_DIR]
#   --runs N         runs of the program (default 10)
#   --busy K         busy processes at the lowest priority, nice -n 19 yes >/dev/null
#                    (default 2); only these processes, by their ids, are ended afterwards
#   --filter PATTERN --gtest_filter of the runs (default all tests)
#   --program NAME   the test program in BUILD_DIR/bin (default vexlo-app-tests)
#   BUILD_DIR        default build
#
# Build first: cmake --build BUILD_DIR --target vexlo-app-tests
set -euo pipefail

RUNS=10
BUSY=2
FILTER='*'
PROGRAM=vexlo-app-tests
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) RUNS="$2"; shift 2 ;;
        --busy) BUSY="$2"; shift 2 ;;
        --filter) FILTER="$2"; shift 2 ;;
        --program) PROGRAM="$2"; shift 2 ;;
        --help | -h) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) break ;;
    esac
done
BUILD="${1:-build}"
BIN="$BUILD/bin/$PROGRAM"
[ -x "$BIN" ] || { echo "load-check: $BIN: not built" >&2; exit 1; }

WORK="$(mktemp -d)"
BUSY_PIDS=()
finish() {
    for pid in "${BUSY_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${BUSY_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

for _ in $(seq "$BUSY"); do
    nice -n 19 yes >/dev/null &
    BUSY_PIDS+=("$!")
done

passed=0
failed=0
for run in $(seq "$RUNS"); do
    log="$WORK/run$run.log"
    load="$(cut -d' ' -f1 /proc/loadavg)"
    if QT_QPA_PLATFORM=offscreen timeout 1800 "$BIN" --gtest_filter="$FILTER" >"$log" 2>&1; then
        passed=$((passed + 1))
        echo "run $run: passed (load $load)"
    else
        failed=$((failed + 1))
        echo "run $run: FAILED (load $load)"
        grep -o '^\[  FAILED  \] [A-Za-z][A-Za-z0-9_./]*' "$log" | sort -u | sed 's/^/    /' || tail -5 "$log"
    fi
done
echo "load-check: $PROGRAM passed $passed of $RUNS runs with $BUSY busy processes" \
    "(load now $(cut -d' ' -f1 /proc/loadavg))"
[ "$failed" -eq 0 ]
