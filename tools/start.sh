#!/usr/bin/env bash
# Sets everything up and starts the program on a data folder:
#   tools/start.sh [DATA_DIR] [more drav options]
# DATA_DIR defaults to datafolder/ in the checkout (git-ignored).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup.sh"
data=${1:-$root/datafolder}
[ $# -gt 0 ] && shift
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DDRAV_BUILD_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target drav drav-admin
mkdir -p "$data"
exec "$root/build/release/shell/drav" --data "$data" "$@"
