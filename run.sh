#!/usr/bin/env bash
# Installs what is missing, builds, starts Dadudu; its options pass on (./run.sh --catalogue PATH).
# A catalogue beside the program (build/bin/dadudu.mdb) is used as before; without one, Dadudu uses
# ~/.local/share/dadudu/dadudu.mdb and offers to create it when it is not there yet.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/deps/install.sh"
"$top/deps/build.sh"
exec "$top/build/bin/dadudu" "$@"
