#!/usr/bin/env bash
# Installs the dependencies, builds, starts trevo-radiosim on the demo site and
# the program with a demo home folder of its own (the real documents folder is
# never touched) and TREVOHID_SIM pointing at the simulated radio interface.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
export TREVOPELQUOR_HOME="${TREVOPELQUOR_HOME:-$PWD/build/demo-home}"
mkdir -p "$TREVOPELQUOR_HOME"
sock="$TREVOPELQUOR_HOME/radio.sock"
./build/bin/trevo-radiosim --socket "$sock" --site "${DEMO_SITE:-sim/sites/demo.site}" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -S "$sock" ] && break
  sleep 0.05
done
export TREVOHID_SIM="2047:ffeb:TRDEMO:0154@$sock"
# The demo site's loggers and pipes as the group opened at start.
./build/bin/pelquor-cli demo-home "$TREVOPELQUOR_HOME" --site "${DEMO_SITE:-sim/sites/demo.site}" >/dev/null
./build/bin/trevopelquor "$@"
