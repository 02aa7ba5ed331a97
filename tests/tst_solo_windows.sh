#!/usr/bin/env bash
# varnica-solo.exe under wine on an X display, end to end: started with
# "temp" naming a fresh folder, it writes its files there (and deletes a copy
# an earlier start left), the terminal's window appears with its exact title,
# the window is closed as a user closes it, and once the launcher has ended
# nothing is left in the folder. Run twice: with the system's code page GBK,
# where the launcher finds the window by its title, and with one that cannot
# spell the title, where it follows the terminal's process.
# Usage: tst_solo_windows.sh VARNICA-SOLO.EXE CARRIED-TERMINAL WINE-RUN (under an X server)
set -euo pipefail
solo=$1
carried_terminal=$2
wine_run=$3
title='Varnica  Dravik制作：V1.2 2008-09-28 单文件版'
bound=90 # seconds; wine takes a few to start, more on a busy machine

work=$(mktemp -d)
wm=
launcher=
cleanup() {
  if [ -n "$launcher" ]; then kill "$launcher" 2>/dev/null || true; fi
  if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
to_windows() { printf 'Z:%s' "${1//\//\\}"; }

# One file to hand out, small enough to mail: at most 12 MiB.
size=$(stat -c %s "$solo")
[ "$size" -le $((12 * 1024 * 1024)) ] || fail "varnica-solo.exe is $size bytes, more than 12 MiB"

# The prefix as wine-run.sh makes it; the launcher itself then runs on plain
# wine, with no Qt or mingw run-time on its path: it needs nothing beside it.
"$wine_run" cmd /c exit
cache=${VARNICA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnica}
export WINEPREFIX=${VARNICA_WINEPREFIX:-$cache/wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
unset WINEPATH QT_PLUGIN_PATH

# Closing a window as a user does goes through the window manager.
openbox >/dev/null 2>&1 &
wm=$!

# The windows titled exactly so: wine names a window in _NET_WM_NAME (UTF-8);
# its WM_NAME is Latin-1, where the Chinese letters are lost.
titled_windows() {
  for window in $(xdotool search --name '^Varnica  Dravik' 2>/dev/null); do
    if [ "$(LC_ALL=C.UTF-8 xprop -id "$window" _NET_WM_NAME 2>/dev/null)" = \
      "_NET_WM_NAME(UTF8_STRING) = \"$title\"" ]; then
      echo "$window"
    fi
  done
}

for locale in zh_CN.UTF-8 en_US.UTF-8; do
  echo "with $locale"
  temp=$work/$locale
  mkdir "$temp"
  printf 'an older copy' >"$temp/DravikVarnicaV1.0.exe"
  # The registry's TEMP overrides what comes from Linux; cmd sets it.
  LC_ALL=$locale wine cmd /c "set temp=$(to_windows "$temp")&& start /wait $(to_windows "$solo")" &
  launcher=$!

  window=
  for _ in $(seq $((bound * 4))); do
    window=$(titled_windows | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$launcher" 2>/dev/null || fail "the launcher ended before the window appeared"
    sleep 0.25
  done
  [ -n "$window" ] || fail "no window titled \"$title\" within ${bound} s"

  cmp -s "$temp/DravikVarnicaV1.2.exe" "$carried_terminal" || fail "the terminal written is not the carried one"
  for file in mscomm32.ocx Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll \
    libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll qt.conf; do
    [ -f "$temp/$file" ] || fail "$file was not written into the folder"
  done
  [ ! -e "$temp/DravikVarnicaV1.0.exe" ] || fail "the older copy was not deleted"

  xdotool windowactivate --sync "$window"
  xdotool key --clearmodifiers alt+F4
  for _ in $(seq $((bound * 4))); do
    kill -0 "$launcher" 2>/dev/null || break
    sleep 0.25
  done
  kill -0 "$launcher" 2>/dev/null && fail "the launcher still runs ${bound} s after the window closed"
  status=0
  wait "$launcher" || status=$?
  launcher=
  [ "$status" = 0 ] || fail "the launcher ended with status $status"
  left=$(cd "$temp" && find . -mindepth 1)
  [ -z "$left" ] || fail "left in the folder: $left"
done
echo "PASS"
