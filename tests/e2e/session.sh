#!/bin/bash
# session.sh COMMAND...: runs COMMAND inside a fresh virtual display (Xvfb 1366x768, no window
# manager), a D-Bus session and the accessibility bus, with Qt's accessibility switched on, so that
# a driver can reach the program's widgets through AT-SPI as assistive technology does.
set -euo pipefail
for probe in xvfb-run dbus-run-session xdotool /usr/libexec/at-spi-bus-launcher; do
  command -v "$probe" >/dev/null 2>&1 || [ -x "$probe" ] || {
    echo "session.sh: $probe is missing (scripts/deps.sh installs it)" >&2
    exit 1
  }
done
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
# A display number of its own, searched from a random start, so that copies running at the same
# time on one machine (other test runs, other users' virtual displays) do not race for the same one.
exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-screen 0 1366x768x24" dbus-run-session -- bash -c \
  '/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 & sleep 1; "$@"' _ "$@"
