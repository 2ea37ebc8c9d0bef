#!/usr/bin/env bash
# The tree's layout (.clang-format) and clang-tidy's checks (.clang-tidy) over the program's sources,
# with the flags of ./build (run ./test.sh or deps/build.sh first). Any finding fails the run.
#   deps/check-style.sh [--fix]   --fix rewrites the layout in place instead of checking it
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t sources < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h')
if [ "${1:-}" = --fix ]; then
  clang-format-16 -i "${sources[@]}"
  exit 0
fi
clang-format-16 --dry-run --Werror "${sources[@]}"
[ -f build/compile_commands.json ] || { echo "check-style.sh: no build/compile_commands.json; build first" >&2; exit 1; }
mapfile -t units < <(git ls-files 'src/*.cpp')
run-clang-tidy-16 -quiet -p build -j "$(nproc)" "${units[@]/#/$top/}" >/tmp/dadudu-clang-tidy.log 2>&1 || {
  grep -E 'warning:|error:' /tmp/dadudu-clang-tidy.log | sort -u >&2
  echo "check-style.sh: clang-tidy findings above (whole log: /tmp/dadudu-clang-tidy.log)" >&2
  exit 1
}
