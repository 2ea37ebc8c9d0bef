#!/usr/bin/env bash
# Installs what is missing, builds, puts an empty catalogue beside the program if none is there, starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/deps/install.sh"
"$top/deps/build.sh"
bin="$top/build/bin"
# Never touch a catalogue that is already there: it holds the user's collection.
[ -e "$bin/dadudu.mdb" ] || cp "$top/build/catalogue/dadudu.mdb" "$bin/dadudu.mdb"
exec "$bin/dadudu"
