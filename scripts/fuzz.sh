#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
# Findings land in build-fuzz/findings/<target>/; the seed corpora are fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs="${1:-60}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELQUOR_FUZZ=ON -DPELQUOR_UI=OFF -DPELQUOR_TESTS=OFF -DPELQUOR_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)"
status=0
for src in fuzz/*.cpp; do
  name=$(basename "$src" .cpp)
  work="build-fuzz/corpus/$name"; found="build-fuzz/findings/$name"
  mkdir -p "$work" "$found"
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "== $name: ${secs}s"
  if ! ./build-fuzz/bin/"$name" -max_total_time="$secs" -max_len=65536 -rss_limit_mb=2048 \
       -artifact_prefix="$found/" -print_final_stats=1 "$work" "${seeds[@]}" 2>"build-fuzz/$name.log"; then
    echo "!! $name found a problem: see build-fuzz/$name.log and $found/"
    tail -40 "build-fuzz/$name.log"
    status=1
  fi
  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "build-fuzz/$name.log" | tr '\n' ' '; echo
done
exit $status
