#!/bin/bash
# Start, stop and start again, as an ordinary user does it: the program in a window on an Xvfb
# screen with a window manager (twm), F5 / F8 / F5 / F8 typed with xdotool, against the virtual
# unit; then `vexlo-cli capture` twice on the same port. Both runs of each must start, and the
# program must show no message. Run as root, everything runs as user 65534 (VEXLO_TEST_UID);
# run as another user, as that user.
#
#   tests/desktop/start-stop-start.sh [BUILD]      (default build; needs Xvfb, twm, xdotool)
#
# Exit status 0 when all runs started and stored what the unit sent, 1 otherwise.
set -euo pipefail
BIN="$(cd "${1:-build}/bin" && pwd)"
user=${VEXLO_TEST_UID:-65534}
as_user=()
if [ "$(id -u)" = 0 ]; then
    as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups)
fi
WORK="$(mktemp -d /tmp/vexlo-desktop.XXXXXX)"
[ "$(id -u)" = 0 ] && chown "$user" "$WORK"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$WORK" 2>/dev/null || { sleep 1 && rm -rf "$WORK"; }
}
trap cleanup EXIT
run() { env -u XDG_RUNTIME_DIR HOME="$WORK" TMPDIR="$WORK" "${as_user[@]}" "$@"; }
# spawn OUT COMMAND...: COMMAND in the background as the user, its output in OUT and its pid
# (env, setpriv and the command are one process) in $spawned.
spawn() {
    local out=$1
    shift
    env -u XDG_RUNTIME_DIR HOME="$WORK" TMPDIR="$WORK" "${as_user[@]}" "$@" >"$out" 2>&1 &
    spawned=$!
    pids+=("$spawned")
}
fail() {
    echo "FAIL: $*"
    exit 1
}
# until SECONDS COMMAND...: true once COMMAND succeeds, checked every 0.1 s.
until_true() {
    local end=$((SECONDS + $1))
    shift
    while [ "$SECONDS" -le "$end" ]; do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

run mkdir -p "$WORK/home/ports"
spawn "$WORK/unit.out" "$BIN/vexlo-unit" --link "$WORK/home/ports/COM1" --scenario flood --trace
until_true 10 grep -q '^ready' "$WORK/unit.out" || fail "the unit did not start"

display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY="$display"
until_true 10 xdotool getdisplaygeometry || fail "Xvfb did not start"
spawn /dev/null twm

spawn "$WORK/app.out" env QT_QPA_PLATFORM=xcb "$BIN/vexlo" --home "$WORK/home"
app=$spawned
title() { xdotool search --name "$1" | head -1 | grep -q .; }
until_true 30 title "モニタ停止中" || fail "the program's window did not appear"
window="$(xdotool search --name "モニタ停止中" | head -1)"
key() {
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus "$window"
    xdotool key --window "$window" "$1"
}
for round in 1 2; do
    key F5
    until_true 20 title "モニタ実行中" || fail "start $round: the run did not begin"
    sleep 2
    key F8
    until_true 20 title "モニタ停止中" || fail "stop $round: the run did not end"
    echo "program run $round: started and stopped"
done
starts=$(grep -c '^G01 OK' "$WORK/unit.out" || true)
[ "$starts" = 2 ] || fail "the unit started $starts times, not 2"
# A message box of the program ("not connected") is a shown window named just "Vexlo".
if xdotool search --onlyvisible --name '^Vexlo$' | grep -q .; then
    fail "the program shows a message"
fi
kill "$app"
wait "$app" 2>/dev/null || true

for round in 1 2; do
    out="$WORK/home/run$round.vxm"
    run env VEXLO_HOME="$WORK/home" "$BIN/vexlo-cli" capture -o "$out" --port 1 --seconds 3 \
        2>"$WORK/cli$round.err" || fail "vexlo-cli capture $round: $(cat "$WORK/cli$round.err")"
    size=$(run "$BIN/vexlo-cli" info "$out" | sed -n 's/^data: *\([0-9]*\) bytes$/\1/p')
    [ "${size:-0}" -gt 0 ] || fail "vexlo-cli capture $round stored nothing"
    echo "vexlo-cli capture run $round: exit 0, $size bytes of data"
done
echo "PASS: two program runs and two vexlo-cli runs as uid $(run id -u)"
