#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test:
#   1. the normal build and its whole test suite (unit, ui, e2e);
#   2. the core, radio and integration tests again under AddressSanitizer and
#      UndefinedBehaviorSanitizer;
#   3. a short run of every fuzz target (scripts/fuzz.sh runs them longer).
# Set PELQUOR_QUICK=1 to run stage 1 only.
set -uo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh || exit 1
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
export QT_LOGGING_RULES="qt.webenginecontext.info=false"
status=0

echo "== build and test"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
  cmake --build build -j"$jobs" || exit 1
(cd build && ctest --output-on-failure -j"$jobs" --timeout 600) || status=1

if [ "${PELQUOR_QUICK:-0}" != 1 ]; then
  echo "== sanitizer build and test"
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELQUOR_SANITIZE=ON \
      -DPELQUOR_UI=OFF -DPELQUOR_BENCH=OFF >/dev/null &&
    cmake --build build-asan -j"$jobs" || exit 1
  (cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 900) || status=1

  echo "== short fuzz runs"
  ./scripts/fuzz.sh 5 || status=1
fi
exit $status
