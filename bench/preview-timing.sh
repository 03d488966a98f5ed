#!/usr/bin/env bash
# Times the preview pane on a private display: cold starts of the program with
# and without the pane, cold first previews and previews pressed at once,
# alternating in the same run, then warm rounds of startup and of previews.
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
first=()
early=()
for _ in $(seq "$rounds"); do
    pane+=("$("$timing" startup pane 2>/dev/null)")
    none+=("$("$timing" startup none 2>/dev/null)")
    first+=("$("$timing" first-preview 2>/dev/null | tr ' ' ,)")
    early+=("$("$timing" early-preview 2>/dev/null)")
done
warm=$("$timing" 2>/dev/null)
python3 - "${pane[*]}" "${none[*]}" "${first[*]}" "$rounds" "$warm" "${early[*]}" <<'PY'
import re, statistics, sys
pane = [float(x) for x in sys.argv[1].split()]
none = [float(x) for x in sys.argv[2].split()]
ready = [float(x.split(",")[0]) for x in sys.argv[3].split()]
first = [float(x.split(",")[1]) for x in sys.argv[3].split()]
rounds, warm = sys.argv[4], sys.argv[5]
early = [float(x) for x in sys.argv[6].split()]
a, b = statistics.median(pane), statistics.median(none)
print(f"startup, cold process (median of {rounds}): with pane {a:.1f} ms, without {b:.1f} ms, "
      f"pane adds {a - b:.1f} ms (ratio {a / b:.2f}; goal: adds at most 100 ms)")
r, f = statistics.median(ready), statistics.median(first)
print(f"pane's module loaded and its page ready, cold process (median of {rounds}): "
      f"{r:.1f} ms after the first paint")
print(warm)
match = re.search(r"preset e-mail code .*?: ([0-9.]+) ms", warm)
reference = f"; {f / float(match.group(1)):.2f} times a warm preview" if match else ""
print(f"first preview of the preset e-mail code in a cold process (median of {rounds}): "
      f"{f:.1f} ms (goal 300 ms: {f / 300:.2f} of it{reference})")
e = statistics.median(early)
print(f"Preview pressed as the window first paints, cold process (median of {rounds}): code "
      f"drawn {e:.1f} ms after the press ({e / r:.2f} of the pane's readiness time above)")
PY
INNER
