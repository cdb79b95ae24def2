#!/usr/bin/env bash
# Installs the dependencies, builds, and starts the program with a demo home
# folder of its own (the real documents folder is never touched).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
export TREVOPELQUOR_HOME="${TREVOPELQUOR_HOME:-$PWD/build/demo-home}"
mkdir -p "$TREVOPELQUOR_HOME"
exec ./build/bin/trevopelquor "$@"
