#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer (and the
# Release build the Debian package is made from), and runs every test, the store's on both engines
# (a store file, and a throwaway PostgreSQL server). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

# With the tools that check the Debian package as Debian does.
HALCYRA_PACKAGE_TOOLS=1 scripts/deps.sh
# The sources follow .clang-format: checked first, because it takes seconds.
scripts/check-format.sh

build=build/asan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHALCYRA_SANITIZE=ON \
  -DHALCYRA_TESTS=ON -DHALCYRA_BENCH=OFF >/dev/null
cmake --build "$build"
# The project's own Release build, from which the package test makes the Debian package, with the
# benchmarks (which are meant to run without sanitizers; building them here keeps them compiling).
# It is built beside the tests that do not need it, at a lower priority, so that the two together
# take little more than the tests alone.
package=build/package
package_log=build/package-build.log
(
  cmake -S . -B "$package" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHALCYRA_TESTS=OFF -DHALCYRA_BENCH=ON
  nice -n 10 cmake --build "$package"
) >"$package_log" 2>&1 &
package_build=$!

# A throwaway PostgreSQL server for the store tests on the department-server engine, stopped on
# every way out of this script, a failed test included.
server_dir=$(mktemp -d /tmp/halcyra-test-server.XXXXXX)
trap 'scripts/test-server.sh stop "$server_dir"' EXIT
HALCYRA_TEST_PG=$(scripts/test-server.sh start "$server_dir")
export HALCYRA_TEST_PG

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
package_test='^DebianPackage\.'
failed=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -E "$package_test" || failed=1
# The Release build is waited for even when a test failed, so that nothing is left building.
if wait "$package_build"; then
  ctest --test-dir "$build" --output-on-failure -R "$package_test" || failed=1
else
  tail -n 40 "$package_log"
  echo "The Release build for the package failed; its whole log is in $package_log" >&2
  failed=1
fi
exit "$failed"
