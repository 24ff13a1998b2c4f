#!/usr/bin/env bash
# check-format.sh [--fix]: whether the C++ sources follow .clang-format (exit 1 and the files that
# do not, otherwise silent); --fix rewrites them instead. ./test.sh runs the check first.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h')
else
  mapfile -t files < <(find src tools tests bench -name '*.cpp' -o -name '*.h' | sort)
fi
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
# One run over every file; each place that differs is reported as FILE:LINE:COLUMN: error: ...
report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1) && exit 0
echo "These files do not follow .clang-format (scripts/check-format.sh --fix rewrites them):" >&2
printf '%s\n' "$report" | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/  \1/p' | sort -u >&2
exit 1
