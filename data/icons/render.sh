#!/usr/bin/env bash
# Renders the icon's PNGs from dadudu.svg at the sizes the hicolor theme uses; run after changing
# the drawing, and commit the PNGs (needs rsvg-convert, from librsvg2-bin).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$here/dadudu.svg" -o "$here/dadudu-$size.png"
done
