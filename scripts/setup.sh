#!/usr/bin/env bash
# Sets up a Debian 12 machine for Varnica, builds it, then starts the terminal
# ("run") or runs every test ("test"). Safe to run again: it installs only
# what is missing and rebuilds only what changed.
set -euo pipefail

mode=${1:-run}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
jobs=$(nproc 2>/dev/null || echo 2)

run_packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libxcb1-dev
  fonts-arphic-uming fonts-noto-cjk qt6-translations-l10n
  # Wayland sessions without an X display; varnica-solo carries it too.
  qt6-wayland
  # varnica-solo: zstd packs the run-time it carries and, linked in
  # statically, unpacks it; patchelf points the carried libraries at each other.
  libzstd-dev zstd patchelf
)
test_packages=(
  xvfb xauth openbox xdotool
  # the text boxes read through the accessibility bus (tests/a11y_check.sh)
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi
  clang libclang-rt-14-dev
  desktop-file-utils appstream groff-base
  dpkg-dev file lintian
  ccache
)
# The Windows build: mingw-w64 for Qt and the terminal, zlib for
# varnica-solo.exe, wine to run every test of it, ninja to build them, and
# dpkg-dev for Debian's Qt source.
windows_packages=(
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  wine wine64 dpkg-dev ninja-build python3 x11-utils
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
  fi
}

# Builds in different clones of the tree share ccache's results.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1

configure_and_build() {
  local dir=$1
  local type=$2
  shift 2
  local launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE="$type" "${launcher[@]}" "$@"
  cmake --build "$dir" -j "$jobs"
}

case "$mode" in
run)
  install_missing "${run_packages[@]}"
  configure_and_build "$build" RelWithDebInfo -DVARNICA_BUILD_TESTS=OFF
  exec "$build/bin/varnica"
  ;;
test)
  install_missing "${run_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}"
  configure_and_build "$build" RelWithDebInfo -DVARNICA_BUILD_TESTS=ON
  ctest --test-dir "$build" --output-on-failure -j "$jobs"

  # The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer
  # (without optimisation or debug information: it builds faster, and
  # the sanitizers' reports still name every function).
  configure_and_build "$root/build-sanitize" None -DVARNICA_BUILD_TESTS=ON -DVARNICA_SANITIZE=ON \
    -DVARNICA_BUILD_BENCH=OFF
  VARNICA_SOAK_SECONDS=${VARNICA_SANITIZED_SOAK_SECONDS:-30} \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions="$root/scripts/lsan.supp":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$root/build-sanitize" --output-on-failure -j "$jobs"

  # A short pass of every fuzzer.
  bash "$root/scripts/fuzz.sh" "${VARNICA_FUZZ_SECONDS:-20}"

  # The Windows build (Qt for Windows is built once and kept in
  # ~/.cache/varnica), its tests under wine, and what is handed out.
  bash "$root/scripts/windows/build.sh" --test
  ;;
*)
  echo "usage: $0 run|test" >&2
  exit 2
  ;;
esac
