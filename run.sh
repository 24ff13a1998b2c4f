#!/usr/bin/env bash
# Installs what is missing, builds the program, prepares a demonstration sandbox and starts the
# program in it. The sandbox (demo-sandbox/) holds the demonstration factor file, a demonstration
# database and the program's settings, so the user's own settings are never touched.
# Run again, it skips what is done.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

scripts/deps.sh

build="$root/build/release"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALCYRA_TESTS=OFF -DHALCYRA_BENCH=OFF >/dev/null
fi
cmake --build "$build"

sandbox="$root/demo-sandbox"
mkdir -p "$sandbox/data" "$sandbox/config/Venmore"
# The demonstration calibration: the program reads it from its start-up directory.
cmp -s "$build/demo/UVB_Factors.Dat" "$sandbox/UVB_Factors.Dat" || cp "$build/demo/UVB_Factors.Dat" "$sandbox/"
# A demonstration department, made once: eight fictional patients with courses pending, under way
# and finished (delete demo-sandbox/ to start again from a fresh one).
if [ ! -f "$sandbox/data/Brell_Data.db" ]; then
  "$build/tools/halcyra-tool" demo-data "$sandbox/data" --factors "$sandbox/UVB_Factors.Dat" >/dev/null
fi
# The program's settings live in the sandbox while it runs from here.
export XDG_CONFIG_HOME="$sandbox/config"
settings="$sandbox/config/Venmore/Brell.conf"
[ -f "$settings" ] || printf '[General]\nDBDir=%s\n' "$sandbox/data" > "$settings"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "The program is built, but there is no display to show it on." >&2
  echo "Run ./run.sh from a desktop session, or under a virtual display: xvfb-run -a ./run.sh" >&2
  exit 1
fi
cd "$sandbox"
exec "$build/halcyra"
