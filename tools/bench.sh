#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them. Extra arguments go to each
# benchmark program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRAV_BUILD_TESTS=OFF \
      -DDRAV_BUILD_BENCH=ON >/dev/null
cmake --build "$build"
found=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue  # not the build folders beside them
  found=1
  echo "== $(basename "$b")"
  "$b" "$@"
done
[ $found -eq 1 ] || echo "no benchmarks built yet"
