#!/usr/bin/env bash
# Measures live monitoring of the real main window (vexlo-live-probe, offscreen) against the
# virtual unit (vexlo-unit) on a pseudo-terminal, and prints every number with the command
# that produced it:
#
#   1. start-up to the main window painted, CPU share and peak memory of a run at 115200 bit/s,
#      8N1, both directions at full rate (flood), real time, default buffer (Size 1000), in
#      four set-ups: page mode (Scroll=0) and line scroll by one line (Scroll=1), each on the
#      offscreen platform (the main window maximised on the offscreen screen) and as a
#      1600 x 1000 pixel main window on a 1600 x 1000 Xvfb screen (xcb platform);
#   1a. the page-mode offscreen run of step 1 with the frame list shown below the grid (idle
#      split, framed live) and without it, in turn in the same run: the CPU share of each;
#   1b. for comparison, a plain terminal showing the same byte rate: tio in hexadecimal mode
#      inside a 200 x 60 character xterm on the same Xvfb screen, reading the unit's stream at
#      57600 bit/s (23,040 bytes/s, the bytes Vexlo shows at 115200); the CPU share of xterm
#      and tio together (optional: skipped where tio, xterm or xvfb-run are missing);
#   2. the page-mode offscreen run with a 1 ms timer: the longest stall of the event loop and
#      the longest time without a new byte in the capture;
#   3. memory of the application itself (vexlo) idle on the default buffer, by /usr/bin/time;
#   4. the highest --rate-factor at which a 5 s run of the flood is stored byte for byte (the
#      last 4,000,000 bytes where the run is longer than the largest buffer) and in step with
#      the line (the stream ends no later than 10 % + 0.2 s after its time);
#   5. reactions to a unit that misbehaves (vexlo-fault-probe), each next to its bound: the
#      port closed after the unit is killed mid-run and the CPU time of the second after;
#      the probe time-out of a mute unit; a wait for the unit ended by closing the window;
#      an automatic search past four ports that are gone.
#
# Usage: bench/measure-live.sh [BUILD_DIR]        (default: build)
#   REPEAT=N      runs of steps 1 to 3 and 5 (default 3)
#   SEARCH=0      skip step 4
#   FAULTS=0      skip step 5
#   FRAMES=0      skip step 1a
#   XVFB=0        skip the Xvfb runs of step 1 and step 1b
#   TERMINAL=0    skip step 1b
# Build first: cmake --build BUILD_DIR --target vexlo vexlo-unit vexlo-live-probe vexlo-fault-probe
# The numbers are only worth something on a quiet machine: the load average is printed
# before each step.
set -euo pipefail

BIN="$(cd "${1:-build}/bin" && pwd)"
REPEAT="${REPEAT:-3}"
SEARCH="${SEARCH:-1}"
FAULTS="${FAULTS:-1}"
FRAMES="${FRAMES:-1}"
XVFB="${XVFB:-1}"
TERMINAL="${TERMINAL:-1}"
WORK="$(mktemp -d)"
UNIT_PID=""

cleanup() {
    stop_unit
    rm -rf "$WORK"
}
trap cleanup EXIT

# make_folder DIR SIZE [SCROLL [LARGE [FRAMES]]]: a program folder with the unit fixed on port
# 5, the flood's line, the buffer size, the scroll step (default 0, page mode) and a maximised
# main window, or with LARGE=1 one of 24000 x 15000 twips (1600 x 1000 pixels at 96 dpi); with
# FRAMES=1 the frame list shown.
make_folder() {
    rm -rf "$1"
    mkdir -p "$1/ports"
    local window='State=2'
    [ "${4:-0}" = 1 ] && window='State=0\nWidth=24000\nHeight=15000'
    printf "[VX_Inf]\nAuto=0\nPort=5\n[Comm_Inf]\nType=0\nSpeed=115200\nDataLength=1\nStopBit=0\nParity=0\n[Buffer_Inf]\nSize=%s\n[Mode_Inf]\nScroll=%s\nFrameList=%s\n[Window_Inf]\n$window\n" \
        "$2" "${3:-0}" "${5:-0}" >"$1/VXParam.ini"
}

# start_unit DIR ARGS...: a unit on DIR/ports/COM5; returns once it is ready.
start_unit() {
    local dir="$1"
    shift
    "$BIN/vexlo-unit" --link "$dir/ports/COM5" "$@" >"$dir/unit.out" 2>&1 &
    UNIT_PID=$!
    for _ in $(seq 100); do
        grep -q '^ready ' "$dir/unit.out" && return 0
        sleep 0.05
    done
    echo "vexlo-unit did not start: $(cat "$dir/unit.out")" >&2
    exit 1
}

stop_unit() {
    if [ -n "$UNIT_PID" ]; then
        kill "$UNIT_PID" 2>/dev/null || true
        wait "$UNIT_PID" 2>/dev/null || true
        UNIT_PID=""
    fi
}

# value KEY FILE: the value of a key=value line of the probe's output.
value() {
    sed -n "s/^$1=//p" "$2" | head -n 1
}

load() {
    echo "load average: $(cut -d ' ' -f 1-3 /proc/loadavg)"
}

# One real-time run of 10 s with the default buffer. $1 = scroll step, $2 = 1 for a 1600 x 1000
# Xvfb screen, $3 = extra probe option or empty, $4 = 1 for the frame list shown.
realtime_run() {
    local dir="$WORK/rt"
    make_folder "$dir" 1000 "$1" "$2" "${4:-0}"
    start_unit "$dir" --scenario flood --duration 10 --record "$dir/record.bin"
    local cmd=("$BIN/vexlo-live-probe" --home "$dir" --seconds 10 --record "$dir/record.bin"
        --t0-ns "$(date +%s%N)" ${3:+"$3"})
    local screen=()
    if [ "$2" = 1 ]; then
        screen=(env QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24")
    fi
    echo "  \$ ${screen[*]} /usr/bin/time -v ${cmd[*]}" >&2
    "${screen[@]}" /usr/bin/time -v "${cmd[@]}" >"$dir/probe.out" 2>"$dir/time.out"
    stop_unit
    cat "$dir/probe.out" "$dir/time.out" >"$WORK/last.out"
}

echo "== 1. real time, 115200 bit/s 8N1 flood, 10 s, live view on, default buffer"
echo "   unit: $BIN/vexlo-unit --link DIR/ports/COM5 --scenario flood --duration 10 --record DIR/record.bin"
for setup in "0 0" "1 0" "0 1" "1 1"; do
    read -r scroll xvfb <<<"$setup"
    [ "$xvfb" = 1 ] && [ "$XVFB" != 1 ] && continue
    echo " -- $([ "$scroll" = 0 ] && echo "page mode" || echo "scroll step $scroll")," \
        "$([ "$xvfb" = 1 ] && echo "Xvfb 1600x1000" || echo "offscreen")"
    for i in $(seq "$REPEAT"); do
        load
        realtime_run "$scroll" "$xvfb" ""
        out="$WORK/last.out"
        echo "  run $i: run_cpu_percent=$(value run_cpu_percent "$out")" \
            "platform=$(value platform "$out") monitor_px=$(value monitor_px "$out")" \
            "cells=$(value cells "$out") scroll_step=$(value scroll_step "$out")" \
            "equal=$(value equal "$out") bytes=$(value bytes_stored "$out")" \
            "startup_ms=$(value startup_ms "$out") peak_rss_kb=$(value peak_rss_kb "$out")" \
            "time_max_rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$out")" \
            "time_cpu=$(sed -n 's/.*Percent of CPU this job got: //p' "$out")" \
            "time_elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out")"
    done
done

# cpu_ticks PID...: user and system clock ticks of the processes so far.
cpu_ticks() {
    local total=0 pid
    for pid in "$@"; do
        total=$((total + $(awk '{ print $14 + $15 }' "/proc/$pid/stat")))
    done
    echo "$total"
}

# The terminal run of step 1b, on the display of xvfb-run: tio in an xterm on the unit's port,
# the unit set to 57600 bit/s and started by hand; prints the CPU share over 10 s.
terminal_run() {
    local link="$1"
    xterm -geometry 200x60 -e tio --hexadecimal --baudrate 57600 "$link" &
    local xterm_pid=$! tio_pid=""
    for _ in $(seq 100); do
        tio_pid="$(pgrep -P "$xterm_pid" -x tio || true)"
        [ -n "$tio_pid" ] && break
        sleep 0.05
    done
    if [ -z "$tio_pid" ]; then
        echo "tio did not start" >&2
        kill "$xterm_pid"
        return 1
    fi
    sleep 1 # tio has opened the port
    exec 3>"$link"
    printf 'S010C\r' >&3 # 57600 bit/s: 2 x 5,760 pairs of 2 bytes a second
    sleep 0.2
    printf 'G01\r' >&3
    exec 3>&-
    sleep 0.5
    local hz before after
    hz="$(getconf CLK_TCK)"
    before="$(cpu_ticks "$xterm_pid" "$tio_pid")"
    sleep 10
    after="$(cpu_ticks "$xterm_pid" "$tio_pid")"
    kill "$xterm_pid"
    wait "$xterm_pid" 2>/dev/null || true
    echo "terminal_cpu_percent=$(awk -v t=$((after - before)) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / 10 }')"
}

if [ "$FRAMES" = 1 ]; then
    echo "== 1a. page mode offscreen with the frame list shown (FrameList=1) and without, in turn"
    for i in $(seq "$REPEAT"); do
        for frames in 0 1; do
            load
            realtime_run 0 0 "" "$frames"
            out="$WORK/last.out"
            echo "  run $i FrameList=$frames: run_cpu_percent=$(value run_cpu_percent "$out")" \
                "equal=$(value equal "$out") bytes=$(value bytes_stored "$out")" \
                "peak_rss_kb=$(value peak_rss_kb "$out")"
        done
    done
fi

if [ "$TERMINAL" = 1 ] && [ "$XVFB" = 1 ]; then
    echo "== 1b. for comparison: tio --hexadecimal in a 200x60 xterm on Xvfb 1600x1000, 23,040 bytes/s"
    if command -v tio >/dev/null && command -v xterm >/dev/null && command -v xvfb-run >/dev/null; then
        echo "   unit: $BIN/vexlo-unit --link DIR/ports/COM5 --scenario flood, set to S010C (57600) and G01"
        echo "  \$ xvfb-run -a -s '-screen 0 1600x1000x24' xterm -geometry 200x60 -e tio --hexadecimal --baudrate 57600 DIR/ports/COM5  (CPU of xterm + tio over 10 s)"
        for i in $(seq "$REPEAT"); do
            load
            dir="$WORK/term"
            make_folder "$dir" 1000
            start_unit "$dir" --scenario flood
            out="$(xvfb-run -a -s "-screen 0 1600x1000x24" bash -c "$(declare -f cpu_ticks terminal_run); terminal_run '$dir/ports/COM5'" 2>"$dir/term.err" || true)"
            stop_unit
            echo "  run $i: ${out:-failed: $(head -c 300 "$dir/term.err")}"
        done
    else
        echo "   skipped: tio, xterm or xvfb-run is missing"
    fi
fi

echo "== 2. page mode offscreen with the 1 ms stall timer"
for i in $(seq "$REPEAT"); do
    load
    realtime_run 0 0 --stall-timer
    out="$WORK/last.out"
    echo "  run $i: max_loop_stall_ms=$(value max_loop_stall_ms "$out")" \
        "max_capture_gap_ms=$(value max_capture_gap_ms "$out") equal=$(value equal "$out")"
done

echo "== 3. vexlo itself, idle for 2 s on the default buffer, ended by SIGTERM"
for i in $(seq "$REPEAT"); do
    load
    dir="$WORK/idle"
    make_folder "$dir" 1000
    echo "  \$ QT_QPA_PLATFORM=offscreen /usr/bin/time -v $BIN/vexlo --home $dir  (SIGTERM after 2 s)"
    QT_QPA_PLATFORM=offscreen /usr/bin/time -v "$BIN/vexlo" --home "$dir" >/dev/null 2>"$dir/time.out" &
    pid=$!
    sleep 2
    kill -TERM "$(pgrep -P "$pid")" # vexlo, the child of /usr/bin/time
    wait "$pid" || true
    echo "  run $i: max_rss_kb=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$dir/time.out")" \
        "cpu=$(sed -n 's/.*Percent of CPU this job got: //p' "$dir/time.out")"
done

if [ "$FAULTS" = 1 ]; then
    echo "== 5. reactions to a unit that misbehaves (vexlo-fault-probe), bounds in brackets"
    for i in $(seq "$REPEAT"); do
        load
        dir="$WORK/faults"
        make_folder "$dir" 1000
        start_unit "$dir" --scenario flood
        disown "$UNIT_PID" # the probe kills it; no job report
        echo "  \$ $BIN/vexlo-fault-probe --home $dir --measure loss --unit-pid $UNIT_PID" \
            "  (unit: --scenario flood)"
        "$BIN/vexlo-fault-probe" --home "$dir" --measure loss --unit-pid "$UNIT_PID" >"$dir/loss.out" 2>/dev/null || true
        UNIT_PID=""
        echo "  run $i: loss_close_ms=$(value loss_close_ms "$dir/loss.out") [< 100]" \
            "loss_cpu_ms_1s=$(value loss_cpu_ms_1s "$dir/loss.out") [< 10]"

        make_folder "$dir" 1000
        start_unit "$dir" --mute
        echo "  \$ $BIN/vexlo-fault-probe --home $dir --measure mute  (unit: --mute)"
        "$BIN/vexlo-fault-probe" --home "$dir" --measure mute >"$dir/mute.out" 2>/dev/null || true
        stop_unit
        echo "  run $i: probe_timeout_ms=$(value probe_timeout_ms "$dir/mute.out") [790 .. 1500]" \
            "closing_wait_ms=$(value closing_wait_ms "$dir/mute.out") [< 700, closed at 100]"

        make_folder "$dir" 1000
        sed -i 's/^Auto=0$/Auto=1/; s/^Port=5$/Port=3/' "$dir/VXParam.ini"
        for n in 1 2 3 4; do ln -s "$dir/ports/gone$n" "$dir/ports/COM$n"; done
        start_unit "$dir"
        echo "  \$ $BIN/vexlo-fault-probe --home $dir --measure search  (ports 1..4 gone, unit on 5)"
        "$BIN/vexlo-fault-probe" --home "$dir" --measure search >"$dir/search.out" 2>/dev/null || true
        stop_unit
        echo "  run $i: search_ms=$(value search_ms "$dir/search.out") [< 700]" \
            "found=$(value found "$dir/search.out")"
    done
fi

[ "$SEARCH" = 1 ] || exit 0

# trial F: 0 when a 5 s run at factor F is stored in step with the line, and the capture
# holds exactly the end of what the unit sent (the largest buffer, Size 4000, keeps the last
# 4,000,000 bytes of the longer runs).
trial() {
    local f="$1" dir="$WORK/f$1"
    local line_s=$((5 * f))
    local bytes=$((46080 * line_s))
    make_folder "$dir" 4000
    start_unit "$dir" --scenario flood --rate-factor "$f" --duration "$line_s" --record "$dir/record.bin"
    "$BIN/vexlo-live-probe" --home "$dir" --seconds 5 --record "$dir/record.bin" >"$dir/probe.out" 2>/dev/null
    stop_unit
    local equal recorded end
    equal="$(value equal "$dir/probe.out")"
    recorded="$(value bytes_recorded "$dir/probe.out")"
    end="$(value stream_end_ms "$dir/probe.out")"
    echo "  factor $f: equal=$equal bytes=$recorded (line carries $bytes) stream_end_ms=$end" \
        "cpu=$(value run_cpu_percent "$dir/probe.out")% rss_kb=$(value peak_rss_kb "$dir/probe.out")"
    rm -rf "$dir"
    [ "$equal" = 1 ] && [ "$recorded" -ge $((bytes - 4)) ] && [ "$end" -le 5700 ]
}

echo "== 4. highest rate factor with every byte stored in step with the line (5 s runs)"
echo "   unit: vexlo-unit --scenario flood --rate-factor F --duration 5F --record R;" \
    "probe: vexlo-live-probe --home DIR --seconds 5 --record R"
load
good=1
bad=0
f=25
while [ "$bad" = 0 ]; do
    if trial "$f"; then
        good=$f
        if [ "$f" -ge 1000 ]; then
            break
        fi
        f=$((f * 2 > 1000 ? 1000 : f * 2))
    else
        bad=$f
    fi
done
if [ "$bad" != 0 ]; then
    while [ $((bad - good)) -gt $((good / 20 + 1)) ]; do
        f=$(((good + bad) / 2))
        if trial "$f"; then good=$f; else bad=$f; fi
    done
fi
if [ "$bad" = 0 ]; then
    echo "  highest factor that kept up: $good (the unit's largest)"
else
    echo "  highest factor that kept up: $good (first failure at $bad)"
fi
