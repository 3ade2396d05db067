#!/usr/bin/env bash
# Records the fixed captures that the guide's pictures are made from, with the virtual unit
# and a headless capture:
#   chat.vxm     the chat scenario, 9600 8N1, idle in 100 ms, time stamps
#   modbus.vxm   the modbus scenario, 19200 8E1, idle in 10 ms, time stamps
#   blocks.vxm   the blocks scenario, 19200 8N1, idle in 10 ms, time stamps
# The files are kept in tools/docs/captures, so that the pictures come out the same each time;
# run this only to record new ones.
#   tools/docs/make-captures.sh [BIN] [OUT] [NAME...]
# (defaults: build/bin tools/docs/captures, and every capture; NAME: chat, modbus or blocks)
set -euo pipefail
bin=${1:-build/bin}
out=${2:-tools/docs/captures}
names=("${@:3}")
[[ ${#names[@]} -gt 0 ]] || names=(chat modbus blocks)
seconds=${SECONDS_PER_CAPTURE:-80}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# record NAME SCENARIO SEED CAPTURE-OPTIONS...
record() {
    local name=$1 scenario=$2 seed=$3
    shift 3
    local home="$work/$name"
    mkdir -p "$home/ports"
    printf '[VX_Inf]\nAuto=0\nPort=1\n' >"$home/VXParam.ini"
    "$bin/vexlo-unit" --link "$home/ports/COM1" --scenario "$scenario" --seed "$seed" \
        >"$home/unit.out" &
    local unit=$!
    for _ in $(seq 1 100); do
        grep -q '^ready ' "$home/unit.out" && break
        sleep 0.05
    done
    local status=0
    "$bin/vexlo-cli" capture --home "$home" -o "$out/$name.vxm" --seconds "$seconds" "$@" \
        </dev/null || status=$?
    kill "$unit"
    wait "$unit" || true
    return "$status"
}

for name in "${names[@]}"; do
    case $name in
        chat) record chat chat 3 --speed 9600 --data-bits 8 --parity none --stop-bits 1 \
            --idle 100ms --stamps & ;;
        modbus) record modbus modbus 5 --speed 19200 --data-bits 8 --parity even --stop-bits 1 \
            --idle 10ms --stamps & ;;
        blocks) record blocks blocks 2 --speed 19200 --data-bits 8 --parity none --stop-bits 1 \
            --idle 10ms --stamps & ;;
        *) echo "unknown capture $name" >&2; exit 2 ;;
    esac
done
wait
for name in "${names[@]}"; do
    "$bin/vexlo-cli" info "$out/$name.vxm"
done
