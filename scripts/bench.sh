#!/usr/bin/env bash
# Builds and runs every benchmark (bench/*.cpp): the FFT beside FFTW and
# KissFFT, and the pair correlation. Extra arguments go to each benchmark
# program, for example --benchmark_filter=fft or --benchmark_repetitions=5.
# Release build of its own in build-bench/; the UI is not needed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELQUOR_UI=OFF -DPELQUOR_BENCH=ON >/dev/null
cmake --build build-bench --target benchmarks
status=0
for exe in build-bench/bin/bench_*; do
  [ -x "$exe" ] || continue
  echo "== $(basename "$exe")"
  "$exe" --benchmark_counters_tabular=true "$@" || status=1
done
exit $status
