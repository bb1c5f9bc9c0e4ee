#!/usr/bin/env bash
# Builds ZOR and starts it in its own working folder run/, on a store created there
# on first use (never overwritten), with the simulated detector ready on run/detector.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "zor: no display found (set DISPLAY, or start it under xvfb-run)" >&2
  exit 1
fi

"$root/scripts/deps.sh"
"$root/scripts/build.sh" default

bin="$root/build/default"
work="$root/run"
mkdir -p "$work"
cd "$work"
[ -e ZOR.DLL ] || "$bin/tools/zor-mkstore" ZOR.DLL

sim_pid=""
if [ -x "$bin/tools/sim/zor-detector-sim" ]; then
  "$bin/tools/sim/zor-detector-sim" --events "${ZOR_SIM_EVENTS:-200}" --link "$work/detector" --repeat \
    > "$work/detector.log" 2>&1 &
  sim_pid=$!
  trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do [ -e "$work/detector" ] && break; sleep 0.1; done
  echo "Simulated detector on $work/detector (choose it in the Com Port box)."
fi

"$bin/app/zor"
