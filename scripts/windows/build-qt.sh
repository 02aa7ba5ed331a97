#!/usr/bin/env bash
# Builds the part of Qt that the Windows terminal needs (Core, Gui, Widgets,
# Test, the windows and offscreen platforms, the Windows style) from Debian's
# own qt6-base source, cross-compiled with mingw-w64, and installs it into a
# cache folder outside the work tree. Prints that folder on its last line.
# With --find it builds nothing: it prints the folder of a finished build, or
# fails.
#
# The folder's name holds the Qt version and a hash of everything that shapes
# the build (the options below, the toolchain file, the project's patches), so
# a finished build is found again at no cost and a changed recipe builds anew.
# A build counts as finished only once the marker file is written, its last
# step; anything else found under that name is removed and built again.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cache=${VARNICA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnica}
jobs=$(nproc 2>/dev/null || echo 2)
qt_package=qt6-base
qt_version=6.4.2
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
patches_dir="$root/scripts/windows/qt-patches"

options=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
  # The host's own moc, rcc and uic (Debian's qt6-base-dev-tools, same version).
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  # What the terminal does not use.
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
  -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_icu=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF
  # Debian's source leaves out the Wintab headers.
  -DFEATURE_tabletevent=OFF
  # Without Direct2D, Gui lacks the DirectWrite font database the platform
  # plugin would link.
  -DFEATURE_directwrite3=OFF
  # Qt's bundled libraries; FreeType also gives the offscreen platform.
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_freetype=ON
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
step() { echo "== Qt for Windows: $*" >&2; }
fail() { echo "Qt for Windows: $1 failed (see $2)" >&2; exit 1; }

recipe_hash=$(
  {
    printf '%s\n' "$qt_package" "$qt_version" "${options[@]}"
    cat "$toolchain"
    if [ -d "$patches_dir" ]; then cat "$patches_dir"/*.patch 2>/dev/null || true; fi
  } | sha256sum | cut -c1-12
)
prefix="$cache/qt-$qt_version-mingw64-$recipe_hash"
marker="$prefix/.varnica-complete"

if [ -f "$marker" ]; then
  echo "$prefix"
  exit 0
fi
# --find: only say where a finished build is.
if [ "${1:-}" = --find ]; then
  exit 1
fi

work="$cache/work-qt-$qt_version-mingw64-$recipe_hash"
rm -rf "$prefix" "$work"
mkdir -p "$work"
log="$work/build.log"

# Debian's source packages: a deb-src twin of the system's deb822 entry.
sources=/etc/apt/sources.list.d/debian.sources
twin=/etc/apt/sources.list.d/varnica-debian-src.sources
if ! apt-get indextargets --format '$(IDENTIFIER)' 2>/dev/null | grep -qx 'Sources'; then
  step "enabling Debian's source packages"
  if [ ! -f "$sources" ]; then
    echo "Qt for Windows: $sources not found; add a 'Types: deb-src' entry by hand" >&2
    exit 1
  fi
  sed 's/^Types: deb$/Types: deb-src/' "$sources" | as_root tee "$twin" >/dev/null
  as_root apt-get update >"$log" 2>&1 || fail "apt-get update" "$log"
fi

step "fetching the source of $qt_package"
(cd "$work" && apt-get source --only-source "$qt_package=$qt_version"'*' >>"$log" 2>&1) ||
  (cd "$work" && apt-get source --only-source "$qt_package" >>"$log" 2>&1) ||
  fail "apt-get source $qt_package" "$log"
src=$(find "$work" -maxdepth 1 -type d -name "$qt_package-*" | head -n 1)
[ -n "$src" ] || fail "unpacking $qt_package" "$log"
case "$(basename "$src")" in
"$qt_package-$qt_version"*) ;;
*) echo "Qt for Windows: Debian offers $(basename "$src"), the recipe is for $qt_version" >&2; exit 1 ;;
esac

if [ -d "$patches_dir" ]; then
  for patch in "$patches_dir"/*.patch; do
    [ -e "$patch" ] || continue
    step "applying $(basename "$patch")"
    patch -d "$src" -p1 --forward <"$patch" >>"$log" 2>&1 || fail "patch $(basename "$patch")" "$log"
  done
fi

step "configuring (log: $log)"
cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  "${options[@]}" >>"$log" 2>&1 || fail "configure" "$log"

step "building on $jobs cores (about half an hour on two)"
cmake --build "$work/build" -j "$jobs" >>"$log" 2>&1 || fail "build" "$log"

step "installing into $prefix"
cmake --install "$work/build" >>"$log" 2>&1 || fail "install" "$log"

cp "$log" "$prefix/varnica-build.log"
rm -rf "$work"
date -u +%FT%TZ >"$marker"
echo "$prefix"
