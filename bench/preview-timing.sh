#!/usr/bin/env bash
# Times the preview pane on a private display: cold starts of the program with
# and without the pane, alternating in the same run, then warm rounds of
# startup and of previews.
#   bench/preview-timing.sh [path/to/quillveil_preview_timing]
#   (default: build/bench/quillveil_preview_timing)
set -euo pipefail
cd "$(dirname "$0")/.."

timing=${1:-build/bench/quillveil_preview_timing}
if [ ! -x "$timing" ]; then
    echo "No timing program at $timing; build one first, for instance:" >&2
    echo "  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build --target quillveil_preview_timing" >&2
    exit 2
fi

tests/with-xvfb.sh bash -s "$timing" <<'INNER'
set -euo pipefail
timing=$1
rounds=7
pane=()
none=()
for _ in $(seq "$rounds"); do
    pane+=("$("$timing" startup pane 2>/dev/null)")
    none+=("$("$timing" startup none 2>/dev/null)")
done
python3 - "${pane[*]}" "${none[*]}" "$rounds" <<'PY'
import statistics, sys
pane = [float(x) for x in sys.argv[1].split()]
none = [float(x) for x in sys.argv[2].split()]
a, b = statistics.median(pane), statistics.median(none)
print(f"startup, cold process (median of {sys.argv[3]}): with pane {a:.1f} ms, without {b:.1f} ms, "
      f"pane adds {a - b:.1f} ms (ratio {a / b:.2f}; goal: adds at most 100 ms)")
PY
"$timing" 2>/dev/null
INNER
