#!/usr/bin/env bash
# Configures and builds into ./build; shared by run.sh and test.sh. DADUDU_WERROR=1 (CI) makes
# every compiler warning an error.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
werror=OFF
[ "${DADUDU_WERROR:-0}" = 1 ] && werror=ON
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDADUDU_WERROR=$werror -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$top/build" -j"$(nproc)"
