#!/usr/bin/env bash
# Fails when the committed PNGs no longer match the drawing they are rendered
# from, i.e. someone edited quillveil.svg and forgot res/icons/render.sh.
#   check-icon-renderings.sh ICONS_DIR
set -euo pipefail
icons=$1

if ! command -v rsvg-convert >/dev/null || ! command -v compare >/dev/null; then
    echo "SKIP: needs rsvg-convert (librsvg2-bin) and compare (imagemagick)"
    exit 77
fi
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
"$icons/render.sh" "$fresh"

stale=0
for png in "$fresh"/*.png; do
    name=$(basename "$png")
    # A little fuzz absorbs anti-aliasing differences between renderer versions.
    differing=$(compare -metric AE -fuzz 8% "$icons/$name" "$png" null: 2>&1) || true
    if [ "$differing" != 0 ]; then
        echo "FAIL: $name differs from a fresh rendering in $differing pixels; run res/icons/render.sh" >&2
        stale=1
    fi
done
exit "$stale"
