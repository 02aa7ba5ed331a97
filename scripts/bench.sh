#!/usr/bin/env bash
# Builds the terminal and prints its benchmark figures (see bench/README.md).
#   bash scripts/bench.sh              every scenario at full size, on an Xvfb of its own
#   bash scripts/bench.sh --quick      sizes cut by eight
#   bash scripts/bench.sh --offscreen  on Qt's offscreen platform, without an X server
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j "$(nproc 2>/dev/null || echo 2)" --target varnica-bench
"$root/build/bin/varnica-bench" "$@"
