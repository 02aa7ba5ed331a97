#!/usr/bin/env bash
# varnica-solo.exe under wine on an X display, end to end: started with
# "temp" naming a fresh folder, it writes its files there (and deletes a copy
# an earlier start left), the terminal's window appears with its exact title,
# the window is closed as a user closes it, and once the launcher has ended
# nothing is left in the folder. Run with the system's code page GBK, where
# the launcher finds the window by its title, and with one that cannot spell
# the title, where it follows the terminal's process; then with two launchers
# in one folder.
# Usage: tst_solo_windows.sh VARNICA-SOLO.EXE CARRIED-TERMINAL WINE-RUN (under an X server)
set -euo pipefail
solo=$1
carried_terminal=$2
wine_run=$3
title='Varnica  Dravik制作：V1.2 2008-09-28 单文件版'
bound=90 # seconds; wine takes a few to start, more on a busy machine

work=$(mktemp -d)
wm=
launchers=()
cleanup() {
  for launcher in "${launchers[@]}"; do kill "$launcher" 2>/dev/null || true; done
  if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
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

# A wine prefix of the test's own, made as wine-run.sh makes one: a wine
# server is shared by every program of its prefix, and one that other tests
# started on another X display would show the terminal's window there. The
# launcher itself then runs on plain wine, with no Qt or mingw run-time on its
# path: it needs nothing beside it.
cache=${VARNICA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnica}
export WINEPREFIX=${VARNICA_SOLO_WINEPREFIX:-$cache/wineprefix-solo}
VARNICA_WINEPREFIX=$WINEPREFIX "$wine_run" cmd /c exit || fail "wine does not run in $WINEPREFIX"
wineserver -k 2>/dev/null || true
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
unset WINEPATH QT_PLUGIN_PATH

# Closing a window as a user does goes through the window manager.
openbox >/dev/null 2>&1 &
wm=$!
# A window that appears before the window manager has taken the display is
# never made active, and a key sent then goes nowhere.
for _ in $(seq $((bound * 4))); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.25
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
  fail "the window manager did not start within ${bound} s"

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

# Starts varnica-solo with the locale (its code page) and "temp" naming the folder.
start_launcher() {
  # The registry's TEMP overrides what comes from Linux; cmd sets it.
  LC_ALL=$1 wine cmd /c "set temp=$(to_windows "$2")&& start /wait $(to_windows "$solo")" &
  launchers+=($!)
}
# Waits until count windows have the title; they are in $windows.
await_windows() {
  for _ in $(seq $((bound * 4))); do
    windows=$(titled_windows)
    [ "$(printf '%s' "$windows" | grep -c .)" -ge "$1" ] && return
    for launcher in "${launchers[@]}"; do
      kill -0 "$launcher" 2>/dev/null || {
        status=0
        wait "$launcher" || status=$?
        fail "a launcher ended (status $status) before its window appeared"
      }
    done
    sleep 0.25
  done
  fail "not $1 windows titled \"$title\" within ${bound} s"
}
# Closes a window as a user does, and waits until it has gone. On a busy
# machine the window manager may not have made the window active yet when the
# key comes: then the key is pressed again, once the window is the active one.
close_window() {
  for _ in $(seq $((bound / 3))); do
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    if [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; then
      xdotool key --clearmodifiers alt+F4 || fail "no key press reaches the display"
    fi
    for _ in $(seq 12); do
      titled_windows | grep -qx "$1" || return 0
      sleep 0.25
    done
  done
  fail "window $1 did not close within ${bound} s"
}
# Waits for every launcher to end with status 0.
await_launchers() {
  for launcher in "${launchers[@]}"; do
    for _ in $(seq $((bound * 4))); do
      kill -0 "$launcher" 2>/dev/null || break
      sleep 0.25
    done
    kill -0 "$launcher" 2>/dev/null && fail "a launcher still runs ${bound} s after the windows closed"
    status=0
    wait "$launcher" || status=$?
    [ "$status" = 0 ] || fail "a launcher ended with status $status"
  done
  launchers=()
}
check_written() {
  cmp -s "$1/DravikVarnicaV1.2.exe" "$carried_terminal" || fail "the terminal written is not the carried one"
  for file in mscomm32.ocx Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll \
    libgcc_s_seh-1.dll libwinpthread-1.dll platforms/qwindows.dll styles/qwindowsvistastyle.dll qt.conf; do
    [ -f "$1/$file" ] || fail "$file is not in the folder"
  done
}
check_empty() {
  left=$(cd "$1" && find . -mindepth 1)
  [ -z "$left" ] || fail "left in the folder: $left"
}

launchers=()
for locale in zh_CN.UTF-8 en_US.UTF-8; do
  echo "with $locale"
  temp=$work/$locale
  mkdir "$temp"
  printf 'an older copy' >"$temp/DravikVarnicaV1.0.exe"
  start_launcher "$locale" "$temp"
  await_windows 1
  check_written "$temp"
  [ ! -e "$temp/DravikVarnicaV1.0.exe" ] || fail "the older copy was not deleted"
  close_window "$windows"
  await_launchers
  check_empty "$temp"
done

# A second start while the first terminal runs: both terminals run from the
# same files, and each launcher ends only once no window is left; the last
# one deletes the files.
echo "two launchers"
temp=$work/two
mkdir "$temp"
start_launcher zh_CN.UTF-8 "$temp"
await_windows 1
start_launcher zh_CN.UTF-8 "$temp"
await_windows 2
close_window "$(printf '%s\n' "$windows" | head -n 1)"
# A few ticks in which neither launcher may take the files from the terminal
# that still runs.
sleep 2
check_written "$temp"
for launcher in "${launchers[@]}"; do
  kill -0 "$launcher" 2>/dev/null || fail "a launcher ended while a window was left"
done
close_window "$(titled_windows | head -n 1)"
await_launchers
check_empty "$temp"
echo "PASS"
