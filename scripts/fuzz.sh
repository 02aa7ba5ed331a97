#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for a bounded time.
#   bash scripts/fuzz.sh [seconds per target, default 60]
# A crash leaves its input in fuzz/crashes/<target>/; turn it into a
# regression test, then fix the code.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVARNICA_FUZZ=ON -DVARNICA_BUILD_TESTS=OFF >/dev/null
targets=$(sed -n 's/^varnica_fuzzer(\([a-z_]*\).*/\1/p' "$root/fuzz/CMakeLists.txt")
# shellcheck disable=SC2086
cmake --build "$build" -j "$jobs" --target $targets

status=0
for target in $targets; do
  corpus="$build/corpus/$target"
  crashes="$root/fuzz/crashes/$target"
  mkdir -p "$corpus" "$crashes"
  echo "== $target: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 "$build/bin/$target" -max_total_time="$seconds" \
      -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" "$root/fuzz/inputs/$target" \
      2>"$build/$target.log"; then
    echo "!! $target found a fault; see $build/$target.log and $crashes"
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/$target.log" || true
done
exit $status
