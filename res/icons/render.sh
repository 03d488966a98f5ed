#!/usr/bin/env bash
# Renders the committed PNGs from quillveil.svg (needs rsvg-convert from
# librsvg2-bin). Run it after editing the drawing; the build only embeds them.
set -euo pipefail
cd "$(dirname "$0")"

for size in 128 48 32; do
    rsvg-convert --width "$size" --height "$size" quillveil.svg --output "quillveil-$size.png"
done
for size in 24 16; do
    rsvg-convert --stylesheet small.css --width "$size" --height "$size" quillveil.svg \
        --output "quillveil-$size.png"
done
