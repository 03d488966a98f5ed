#!/usr/bin/env bash
# Renders the committed PNGs from quillveil.svg (needs rsvg-convert from
# librsvg2-bin). Run it after editing the drawing; the build only embeds them.
#   render.sh [OUTPUT_DIR]   (default: next to the drawing)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}

for size in 128 48 32; do
    rsvg-convert --width "$size" --height "$size" "$here/quillveil.svg" \
        --output "$out/quillveil-$size.png"
done
# small.css trims fine detail that would only blur at these sizes.
for size in 24 16; do
    rsvg-convert --stylesheet "$here/small.css" --width "$size" --height "$size" \
        "$here/quillveil.svg" --output "$out/quillveil-$size.png"
done
