#!/bin/bash
# session.sh COMMAND...: runs COMMAND inside a fresh virtual display (Xvfb 1366x768, no window
# manager), a D-Bus session and the accessibility bus, with Qt's accessibility switched on, so that
# a driver can reach the program's widgets through AT-SPI as assistive technology does.
set -euo pipefail
for probe in Xvfb dbus-run-session xdotool /usr/libexec/at-spi-bus-launcher; do
  command -v "$probe" >/dev/null 2>&1 || [ -x "$probe" ] || {
    echo "session.sh: $probe is missing (scripts/deps.sh installs it)" >&2
    exit 1
  }
done
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
# The X server picks a free display number itself (-displayfd) and says which once it accepts
# connections, so copies running at the same time (other test runs, other users' virtual displays)
# never race for one number, and a server that does not start is reported with its own words.
work=$(mktemp -d /tmp/halcyra-session.XXXXXX)
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb" 2>/dev/null || { echo "session.sh: the virtual display did not start:" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  sleep 0.1
done
[ -s "$work/display" ] || { echo "session.sh: the virtual display did not start within 30 s" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
dbus-run-session -- bash -c \
  '/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & sleep 1; "$@"' _ "$@"
