#!/usr/bin/env bash
# Builds the fuzzing harnesses with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) in build/fuzz, and runs each for SECONDS (default 60), two at a
# time, at the lowest priority, each starting from its corpus in tests/fuzz/corpus/NAME/.
#
#   scripts/fuzz.sh [SECONDS] [NAME...]     e.g. scripts/fuzz.sh 600 photograph factor_file
#
# What a run finds lands in build/fuzz/findings/NAME/ (crash-*, leak-*, timeout-*, oom-*); new
# interesting inputs in build/fuzz/grown/NAME/. A crashing input, once the reader is mended, goes
# into the corpus so that ./test.sh replays it for good. Each run's log is build/fuzz/logs/NAME.log;
# its last lines give the executions and the executions per second.
#
# HALCYRA_FUZZ_TIMEOUT (seconds, default 10) is how long one input may take before it counts as a
# finding. On a machine shared with other builds a stall of the whole machine can exceed it; replay
# a timeout-* file alone (build/fuzz/tests/fuzz/NAME_fuzz FILE) before taking it for a slow input.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-60}
shift || true
all=(factor_file legacy_file photograph course_columns patient_search report_file)
if [ $# -gt 0 ]; then names=("$@"); else names=("${all[@]}"); fi

HALCYRA_FUZZ_TOOLS=1 scripts/deps.sh

build="$root/build/fuzz"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DHALCYRA_SANITIZE=ON -DHALCYRA_FUZZ=ON -DHALCYRA_TESTS=OFF -DHALCYRA_BENCH=OFF >/dev/null
fi
nice -n 19 cmake --build "$build" --target "${names[@]/%/_fuzz}"

# The store harnesses keep their scratch database in memory-backed storage where there is some.
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
scratch=$(mktemp -d "$base/halcyra-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp:print_suppressions=0"

run() {
  local name=$1
  mkdir -p "$build/findings/$name" "$build/grown/$name" "$build/logs"
  echo "fuzzing $name for $seconds s"
  local status=0
  nice -n 19 "$build/tests/fuzz/${name}_fuzz" "$build/grown/$name" "$root/tests/fuzz/corpus/$name" \
    -max_total_time="$seconds" -print_final_stats=1 -timeout="${HALCYRA_FUZZ_TIMEOUT:-10}" -rss_limit_mb=4096 \
    -artifact_prefix="$build/findings/$name/" >"$build/logs/$name.log" 2>&1 || status=$?
  local stats
  stats=$(grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$build/logs/$name.log" |
          sed 's/^stat:://' | tr -s ' ' | tr '\n' ' ')
  if [ $status -eq 0 ]; then
    echo "$name: no finding; $stats"
  else
    echo "$name: FINDING (exit $status), see $build/logs/$name.log and $build/findings/$name/; $stats"
  fi
  return $status
}

# Two at a time: the machine's two cores.
failed=0
pids=()
for name in "${names[@]}"; do
  run "$name" &
  pids+=($!)
  if [ ${#pids[@]} -eq 2 ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[1]}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed
