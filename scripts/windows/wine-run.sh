#!/usr/bin/env bash
# Runs a program built for Windows under wine, in the project's own wine
# prefix, with the Qt built for Windows and the mingw run-time on its DLL path.
# The build uses it as the emulator of every cross-built test.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
#
# Qt Test's output reaches wine's console only through a file, so a program
# named tst_* gets "-o FILE,txt" and its report is printed when it ends. The
# exit status is the program's.
#
# Environment: VARNICA_QT_WINDOWS (the Qt prefix; found by build-qt.sh when
# unset), VARNICA_WINEPREFIX (the prefix; made on first use), DISPLAY (unset:
# only the offscreen platform works).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cache=${VARNICA_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/varnica}
program=$1
shift

if ! command -v wine >/dev/null; then
  echo "wine-run: wine is not installed (Debian packages wine and wine64)" >&2
  exit 1
fi

qt=${VARNICA_QT_WINDOWS:-}
if [ -z "$qt" ]; then
  qt=$(bash "$here/build-qt.sh" --find) || {
    echo "wine-run: Qt for Windows is not built; run scripts/windows/build-qt.sh" >&2
    exit 1
  }
fi

export WINEPREFIX=${VARNICA_WINEPREFIX:-$cache/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait
fi

mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=/usr/x86_64-w64-mingw32/lib
to_windows() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPATH="$(to_windows "$qt/bin");$(to_windows "$mingw_runtime");$(to_windows "$winpthread")"
export QT_PLUGIN_PATH="$(to_windows "$qt/plugins")"
# Wine answers a Qt program's per-monitor DPI request with an error that
# Qt reports on every start; it changes nothing.
export QT_LOGGING_RULES=${QT_LOGGING_RULES:-qt.qpa.window=false}

case "$(basename "$program")" in
tst_*)
  report=$(mktemp --suffix=.txt)
  trap 'rm -f "$report"' EXIT
  status=0
  wine "$program" -o "$(to_windows "$report"),txt" "$@" || status=$?
  cat "$report"
  exit "$status"
  ;;
*)
  exec wine "$program" "$@"
  ;;
esac
