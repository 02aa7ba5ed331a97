#!/usr/bin/env bash
# The installed tree and the Debian package. Installs the build into a staging
# folder, checks the desktop files with their validators, moves the tree to
# another prefix and starts the terminal from there until its window shows,
# then builds the package and checks that it holds the same tree and that
# lintian accepts it.
# Usage: tst_install.sh BUILD-FOLDER APPLICATION-ID (under an X server)
set -euo pipefail
build=$1
id=$2
sizes=(16 32 48 64 128 256)

work=$(mktemp -d)
terminal=
cleanup() {
  if [ -n "$terminal" ]; then kill "$terminal" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

DESTDIR=$work/stage cmake --install "$build" --prefix /usr >/dev/null
usr=$work/stage/usr

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
grep -qx "Icon=$id" "$usr/share/applications/$id.desktop" || fail "the entry names another icon"
for size in "${sizes[@]}"; do
  png=$usr/share/icons/hicolor/${size}x$size/apps/$id.png
  # A PNG's width and height are the two big-endian words at byte 16.
  dimensions=$(od -An -tu4 --endian=big -j16 -N8 "$png" | xargs)
  [ "$dimensions" = "$size $size" ] || fail "$png is $dimensions pixels"
done
for page in varnica varnica-solo; do
  warnings=$(zcat "$usr/share/man/man1/$page.1.gz" | preconv | groff -Tutf8 -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$page.1: $warnings"
done

# The package holds the staged tree, path for path, and depends on what the
# programs link. (cpack builds what is out of date first: run this test on a
# finished build, as CTest always should be.)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >/dev/null
deb=$(echo "$work"/package/varnica_*.deb)
tree_of_deb=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed -e 's|^\./||' -e 's|/$||' | sed '/^$/d' | sort)
tree_staged=$(cd "$work/stage" && find . -mindepth 1 | sed 's|^\./||' | sort)
diff <(echo "$tree_of_deb") <(echo "$tree_staged") || fail "the package's tree differs from the staged one"
dpkg-deb -f "$deb" Depends | grep -q libqt6serialport6 || fail "no library dependencies"
dpkg-deb -f "$deb" Recommends | grep -qw fonts-noto-cjk || fail "the CJK font is not recommended"
# Lintian finds no error or warning; the copyright names every package that
# varnica-solo carries files of.
lintian --fail-on error,warning "$deb" || fail "lintian"
while read -r package; do
  grep -qw -- "$package" "$usr/share/doc/varnica/copyright" ||
    fail "the copyright does not name $package, whose files varnica-solo carries"
done <"$build/launcher/carried/packages.txt"

# Any prefix will do: the link in bin and the terminal's RUNPATH are relative.
mv "$usr" "$work/elsewhere"
"$work/elsewhere/bin/varnica" &
terminal=$!
timeout 60 xdotool search --sync --all --onlyvisible --pid "$terminal" --name '^Varnica  Dravik' \
  >/dev/null || fail "the staged terminal showed no window"
grep -q "$work/elsewhere/.*/mscomm32.ocx" "/proc/$terminal/maps" ||
  fail "the staged terminal did not load its own serial control"
echo "PASS"
