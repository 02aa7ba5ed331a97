#!/bin/bash
# Reads the terminal's text boxes through the accessibility bus, as a screen
# reader would (a11y_check.py), on an X display and a D-Bus session of its own.
# Usage: a11y_check.sh path/to/varnica
set -euo pipefail
check="$(dirname "$(readlink -f "$0")")/a11y_check.py"
terminal="$(readlink -f "$1")"

if [ -z "${A11Y_CHECK_INSIDE:-}" ]; then
  export A11Y_CHECK_INSIDE=1
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$terminal"
fi

openbox &
window_manager=$!
trap 'kill "$window_manager" 2>/dev/null || true' EXIT
# Asking for its address starts the accessibility bus, as a desktop session
# does before any application.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
  >/dev/null
/usr/bin/python3 "$check" "$terminal"
