#!/usr/bin/env bash
# The start-up benchmark: the program beside a bare Qt window (bench/startup_bare_window.cpp), both
# timed by bench/startup_bench.cpp from the moment the process is made to the first window the X
# server maps, on a virtual display without a window manager. Once on an empty store, once on a
# department of 100,000 patients (the store records_bench generates, made here when missing).
# Settings, calibration and store live in a throwaway folder; the user's own are left alone.
#
#   scripts/startup-bench.sh [BUILD_DIR] [ROUNDS]     (BUILD_DIR built with -DHALCYRA_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$(cd "${1:-build/release}" && pwd)
rounds=${2:-10}
for f in halcyra tools/halcyra-tool bench/startup_bench bench/startup_bare_window bench/records_bench demo/UVB_Factors.Dat; do
  [ -e "$build/$f" ] || { echo "$build/$f is missing: build $build with -DHALCYRA_BENCH=ON first" >&2; exit 1; }
done

work=$(mktemp -d /tmp/halcyra-startup.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$build/demo/UVB_Factors.Dat" "$work/"
mkdir -p "$work/empty" "$work/config/Venmore"
"$build/tools/halcyra-tool" init-db "$work/empty" >/dev/null
department="$build/bench/records-bench-data"
if [ ! -f "$department/Brell_Data.db" ]; then
  echo "Generating the department of 100,000 patients (once) ..." >&2
  "$build/bench/records_bench" --benchmark_filter=BM_Raw_ReadPatientList >/dev/null
fi

for store in "empty store:$work/empty" "100,000 patients:$department"; do
  printf '[General]\nDBDir=%s\n' "${store#*:}" > "$work/config/Venmore/Brell.conf"
  echo "== ${store%%:*}"
  (cd "$work" && XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1366x768x24" \
    "$build/bench/startup_bench" "$build/halcyra" "$build/bench/startup_bare_window" "$rounds")
done
