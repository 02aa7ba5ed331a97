#!/usr/bin/env bash
# Runs a program built for Windows under wine, in the project's own wine
# prefix, with the Qt built for Windows and the mingw run-time on its DLL path.
# The build uses it as the emulator of every cross-built test.
#
#   wine-run.sh PROGRAM.exe [ARGUMENTS...]
#   wine-run.sh --com N DEVICE      COMN of the prefix leads to DEVICE from now on
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

export WINEPREFIX=${VARNICA_WINEPREFIX:-$cache/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs: nothing here needs .NET or HTML.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# The prefix is made once, under a lock, since tests start in parallel. Its
# COM1 to COM16 lead to links in varnica-com/ that a test points at the
# pseudo-terminal it plays the far end of (wine-run.sh --com); a port whose
# link is missing does not open. Without these entries wine would give COM1
# the machine's first serial device, which tests must never touch (it still
# takes the first number after these, COM17: no test uses a number above 16).
ports="$WINEPREFIX/varnica-com"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  if [ ! -f "$WINEPREFIX/.varnica-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX" "$ports"
    wineboot --init >/dev/null 2>&1 || true
    {
      printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
      for n in $(seq 1 16); do
        printf '"COM%d"="%s/com%d"\n' "$n" "$ports" "$n"
      done
    } >"$WINEPREFIX/varnica-ports.reg"
    wine regedit /S 'Z:'"${WINEPREFIX//\//\\}"'\varnica-ports.reg' >/dev/null 2>&1
    wineserver -k || true
    wineserver --wait || true
    touch "$WINEPREFIX/.varnica-ready"
  fi
) 9>"$WINEPREFIX.lock"

# wine-run.sh --com N DEVICE: points COMN at DEVICE and ends.
if [ "$program" = --com ]; then
  ln -sfn "$2" "$ports/com$1"
  exit 0
fi

qt=${VARNICA_QT_WINDOWS:-}
if [ -z "$qt" ]; then
  qt=$(bash "$here/build-qt.sh" --find) || {
    echo "wine-run: Qt for Windows is not built; run scripts/windows/build-qt.sh" >&2
    exit 1
  }
fi

mingw_runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=/usr/x86_64-w64-mingw32/lib
to_windows() { printf 'Z:%s' "${1//\//\\}"; }
export WINEPATH="$(to_windows "$qt/bin");$(to_windows "$mingw_runtime");$(to_windows "$winpthread")"
export QT_PLUGIN_PATH="$(to_windows "$qt/plugins")"
# Wine keeps the QT_ variables of the Linux side from Windows programs (they
# are meant for a Qt of the host) and hands WINEQT_NAME on as QT_NAME: so
# QT_QPA_PLATFORM=offscreen and the two above reach the program.
for name in $(compgen -e | grep '^QT_'); do
  export "WINE$name=${!name}"
done

# The first program of a wine session starts the session's own services
# (services.exe, winedevice.exe, ...), which outlive it and keep its standard
# error: a test harness that waits for the end of that output would wait for
# the session's end. So the program's standard error goes through a file.
errors=$(mktemp --suffix=.txt)
report=$(mktemp --suffix=.txt)
trap 'rm -f "$report" "$errors"' EXIT
status=0
case "$(basename "$program")" in
tst_*)
  wine "$program" -o "$(to_windows "$report"),txt" "$@" 2>"$errors" || status=$?
  cat "$report"
  ;;
*)
  wine "$program" "$@" 2>"$errors" || status=$?
  ;;
esac
cat "$errors" >&2
exit "$status"
