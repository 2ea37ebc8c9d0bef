#!/usr/bin/env bash
# Installs what is missing, builds, runs every test headless.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/deps/install.sh"
"$top/deps/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$top/build"
ctest --output-on-failure -j"$(nproc)" --timeout 300
