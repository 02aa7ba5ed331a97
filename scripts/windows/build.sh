#!/usr/bin/env bash
# Builds Varnica for 64-bit Windows on this Debian machine: Qt for Windows
# first (once; see build-qt.sh), then the terminal, its serial control and
# varnica-solo.exe in build-windows/, and puts what is handed out into
# build-windows/dist/: varnica-solo.exe and a zip of the portable folder.
#
#   bash scripts/windows/build.sh          build and pack
#   bash scripts/windows/build.sh --test   the same, then every test under wine
#
# The Debian packages it needs are installed by scripts/setup.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build-windows"
jobs=$(nproc 2>/dev/null || echo 2)

qt=$(bash "$root/scripts/windows/build-qt.sh")
qt=${qt##*$'\n'}
export VARNICA_QT_WINDOWS="$qt"

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/windows/wine-run.sh" \
  -DVARNICA_BUILD_TESTS=ON "${launcher[@]}"
cmake --build "$build" -j "$jobs"

# What is handed out: varnica-solo.exe, and the portable folder (the terminal,
# its serial control file and the run-time it needs, as varnica-solo.exe
# carries them) as a zip.
carried="$build/launcher/carried"
portable=varnica-$(sed -n 's/^project(Varnica VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")-windows-x64
dist="$build/dist"
rm -rf "$dist"
mkdir -p "$dist/$portable"
cp "$build/bin/varnica-solo.exe" "$dist/"
cp -r "$carried/runtime/." "$dist/$portable/"
cp "$carried/terminal.exe" "$dist/$portable/varnica.exe"
cp "$carried/mscomm32.ocx" "$dist/$portable/"
(cd "$dist" && cmake -E tar cf "$portable.zip" --format=zip "$portable")
rm -rf "${dist:?}/$portable"
echo "Windows: $dist/varnica-solo.exe, $dist/$portable.zip"

if [ "${1:-}" = --test ]; then
  # Wine's servers outlive the programs they ran for a moment; none is left
  # running once the tests are done.
  stop_wine() {
    local prefix
    for prefix in "${VARNICA_WINEPREFIX:-${VARNICA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnica}/wineprefix}" \
      "$build"/wineprefix-*; do
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
  }
  trap stop_wine EXIT
  ctest --test-dir "$build" --output-on-failure -j "$jobs"
fi
