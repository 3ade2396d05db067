#!/usr/bin/env bash
# Runs the libFuzzer targets of a fuzz build one after the other and prints, for each, the
# executions, the executions per second and the size of the corpus.
#
# Usage: fuzz/run-fuzzers.sh [--seconds N] [--runs N] [--nice N] [--only NAME] BUILD_DIR
#   --seconds N  time of each target (default 60)
#   --runs N     end a target after N executions instead, if that comes first
#   --nice N     run the targets at this niceness (default 0)
#   --only NAME  run one target (decoder, logfile, ini, text-export,
#                pcap-export, search)
# Each target starts from its seeds in fuzz/corpus/NAME and the corpus it has grown in earlier
# runs (BUILD_DIR/corpus/NAME, where new inputs go). A crash or a failed check stops that
# target and leaves the input in BUILD_DIR/findings; the other targets still run, and the
# script then exits with 1. Repeat a finding with: BUILD_DIR/bin/fuzz-NAME FILE
# Build first (make fuzz does both):
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVEXLO_FUZZ=ON \
#       -DVEXLO_BUILD_TESTS=OFF -DVEXLO_BUILD_BENCH=OFF
#   cmake --build build-fuzz --target vexlo-fuzzers
set -uo pipefail

SECONDS_EACH=60
RUNS=-1
NICE=0
ONLY=""
while [ $# -gt 1 ]; do
    case "$1" in
        --seconds) SECONDS_EACH="$2"; shift 2 ;;
        --runs) RUNS="$2"; shift 2 ;;
        --nice) NICE="$2"; shift 2 ;;
        --only) ONLY="$2"; shift 2 ;;
        *) break ;;
    esac
done
if [ $# -ne 1 ] || [ "$1" = --help ]; then
    sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
fi
BUILD="$1"
FUZZ_DIR="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$BUILD/findings"

# name, largest input, dictionary (or empty)
TARGETS=(
    "decoder 4096 "
    "logfile 4096 "
    "ini 4096 $FUZZ_DIR/ini.dict"
    "text-export 4096 "
    "pcap-export 4096 "
    "search 4096 "
)

failed=0
for entry in "${TARGETS[@]}"; do
    read -r name maxLen dict <<<"$entry"
    if [ -n "$ONLY" ] && [ "$ONLY" != "$name" ]; then
        continue
    fi
    corpus="$BUILD/corpus/$name"
    mkdir -p "$corpus"
    log="$BUILD/findings/$name.log"
    args=(-max_total_time="$SECONDS_EACH" -runs="$RUNS" -max_len="$maxLen" -timeout=30
        -print_final_stats=1 -artifact_prefix="$BUILD/findings/$name-")
    if [ -n "$dict" ]; then
        args+=(-dict="$dict")
    fi
    limit="$SECONDS_EACH s"
    if [ "$RUNS" != -1 ]; then
        limit="$limit or $RUNS executions"
    fi
    echo "== fuzz-$name: $limit, niceness $NICE"
    nice -n "$NICE" "$BUILD/bin/fuzz-$name" "${args[@]}" "$corpus" "$FUZZ_DIR/corpus/$name" \
        >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "   executions=${runs:-?} exec_per_s=${rate:-?} corpus=$(find "$corpus" -type f | wc -l) files"
    if [ $status -ne 0 ]; then
        failed=1
        echo "   FOUND A FAULT (exit $status): see $log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*check failed|artifact_prefix|Test unit written)' "$log" |
            sed 's/^/   /' | head -n 8
    fi
done
exit $failed
