#!/usr/bin/env bash
# Start-up time of Quillveil against a bare wxWidgets dialog with the same
# controls, measured in the same run from outside the process (start until the
# window is mapped), then a paste of 1 MiB and 8 MiB of text into the Any Text
# field and Generate Code on it: until the text or the code shows, the window's
# answers to input afterwards, Preview, and memory.
#   bench/startup.sh [BUILD_DIR] [ROUNDS]
# Runs on a private Xvfb server unless DISPLAY is set.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
rounds=${2:-15}

if [ -z "${DISPLAY:-}" ]; then
    exec "$here/../tests/with-xvfb.sh" "$0" "$build" "$rounds"
fi

probe="$build/bench/quillveil-startup-probe"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One unmeasured start each warms the file cache.
"$probe" Quillveil "$build/ui/quillveil" >/dev/null
"$probe" Reference "$build/bench/quillveil-reference-dialog" >/dev/null

ours=() reference=()
for ((i = 0; i < rounds; i++)); do
    # Interleaved, so both see the same machine load.
    ours+=("$("$probe" Quillveil "$build/ui/quillveil")")
    reference+=("$("$probe" Reference "$build/bench/quillveil-reference-dialog")")
done
ours_median=$(printf '%s\n' "${ours[@]}" | median)
reference_median=$(printf '%s\n' "${reference[@]}" | median)
echo "start to window shown, median of $rounds (ms):"
echo "  quillveil:        $ours_median   (all: ${ours[*]})"
echo "  bare wx dialog:   $reference_median   (all: ${reference[*]})"
awk -v a="$ours_median" -v b="$reference_median" 'BEGIN { printf "  ratio:            %.2f\n", a / b }'

for kib in 1024 8192; do
    echo
    "$build/bench/quillveil-generate-large-text" "$kib"
done
