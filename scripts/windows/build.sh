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
  # Every program under wine shares one wine server, whose desktop lives on
  # the X display of the first window it made: so all tests share one Xvfb,
  # and the server starts afresh on it (and ends with it).
  export WINEPREFIX=${VARNICA_WINEPREFIX:-${VARNICA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnica}/wineprefix}
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" &
  xvfb=$!
  stop() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -f "$display_file"
  }
  trap stop EXIT
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  [ -s "$display_file" ] || { echo "build.sh: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(cat "$display_file")"
  wineserver -k 2>/dev/null || true
  ctest --test-dir "$build" --output-on-failure -j "$jobs"
fi
