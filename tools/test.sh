#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs the whole test suite. Exits non-zero on any failure.
#   tools/test.sh [ctest options, e.g. -R util]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
build="$root/build/asan"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DDRAV_SANITIZE=ON >/dev/null
cmake --build "$build"
cd "$build"
ctest --output-on-failure --timeout 900 -j "$(nproc)" "$@"
