#!/usr/bin/env bash
# Starts the program on a demo program folder. When the simulator is built,
# three simulated recorders (device 2 with twelve channels) serve the line.
set -euo pipefail
bin=${1:?usage: demo.sh BIN_DIR}
bin=$(cd "$bin" && pwd)
demo="$(dirname "$bin")/demo"
mkdir -p "$demo/CFG" "$demo/data"
line="$demo/vq800-line"

if [ ! -f "$demo/CFG/SetEnv.INI" ]; then
  {
    printf 'O\tBoiler house\r\n'
    printf 'O\tKiln line 2\r\n'
    printf 'O\tCold store\r\n'
    for n in $(seq 4 99); do printf 'X\t\r\n'; done
  } > "$demo/CFG/SetEnv.INI"
fi
if [ ! -f "$demo/CFG/SaveData.INI" ]; then
  printf 'Yes\r\n10\r\nsec\r\n%s\r\nDEMO\r\n0\r\n0\r\n0\r\n' "$(cd "$demo/data" && pwd)" > "$demo/CFG/SaveData.INI"
fi
printf '%s\r\n9600\r\nN\r\n8\r\n1\r\nModbus RTU\r\n' "$line" > "$demo/Comm.CFG"

args=(--dir "$demo")
sim_pid=""
if [ -x "$bin/vq800-sim" ]; then
  "$bin/vq800-sim" --devices 1-3 --model 2=20 --baud 9600 --link "$line" > "$demo/sim.out" 2> "$demo/sim.log" &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$line" ] && break; sleep 0.1; done
  "$bin/vq800" --help 2>/dev/null | grep -q -- '--open' && args+=(--open)
fi
"$bin/vq800" "${args[@]}"
