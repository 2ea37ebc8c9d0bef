#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# ./build-asan and runs every test there: a memory fault, undefined behaviour or a leak fails the run.
# Leaks inside Qt and the system's libraries that the program cannot free are listed, with why, in
# deps/lsan-suppressions.txt.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-asan"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
sanitizers="-fsanitize=address,undefined"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" -DDADUDU_TEST_TIMEOUT_SCALE=3 \
  -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer -fno-sanitize-recover=undefined" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" >/dev/null
cmake --build "$build" -j"${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:strict_string_checks=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$top/deps/lsan-suppressions.txt:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
cd "$build"
# The tests' time limits are stretched for instrumented code (DADUDU_TEST_TIMEOUT_SCALE above).
ctest --output-on-failure -j"$(nproc)" --timeout 900
