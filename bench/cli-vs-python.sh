#!/usr/bin/env bash
# Compares `quillveil-encode text` on 16 MiB from standard input with a Python one-liner doing
# the same job (str.translate), whole process against whole process, and reports the peak
# memory of the encoder against the size of its output.
#   bench/cli-vs-python.sh [path/to/quillveil-encode]   (default: build/cli/quillveil-encode)
set -euo pipefail
cd "$(dirname "$0")/.."

encoder=${1:-build/cli/quillveil-encode}
if [ ! -x "$encoder" ]; then
    echo "No encoder at $encoder; build one first, for instance:" >&2
    echo "  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build --target quillveil-encode" >&2
    exit 2
fi
[ -x /usr/bin/time ] || { echo "Needs GNU time (Debian package 'time')" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 16 MiB of page text: prose, punctuation, line breaks, a few non-ASCII letters.
python3 - "$work/input.txt" <<'PY'
import sys
words = ["Contact", "the", "webmaster", "at", "our", "office,", "or", "write", "to", "sales",
         "for", "prices.", "Opening", "hours:", "9-17", "(Mon-Fri)\n", "caf\u00e9", "na\u00efve"]
text, i = [], 0
size = 0
while size < 16 * 1024 * 1024:
    word = words[(i * 7 + i // 5) % len(words)] + " "
    text.append(word)
    size += len(word.encode())
    i += 1
data = "".join(text).encode()[: 16 * 1024 * 1024]
open(sys.argv[1], "wb").write(data.decode("utf-8", "ignore").encode())
PY

# The same job in Python: trim, then every ASCII character as "&#N;", other bytes unchanged.
python_job='import sys
table = {b: "&#%d;" % b for b in range(1, 128)}
text = sys.stdin.buffer.read().decode("latin-1").strip(" \t\n\v\f\r")
sys.stdout.buffer.write(text.translate(table).encode("latin-1") + b"\n")'

run() { # label, output file, command...
    local label=$1 out=$2
    shift 2
    /usr/bin/time -f "%e %M" -o "$work/$label.time" "$@" <"$work/input.txt" >"$out"
}

best_of_3() { # label, output file, command...
    local label=$1 best=
    for _ in 1 2 3; do
        run "$@"
        read -r seconds kib <"$work/$label.time"
        if [ -z "$best" ] || awk "BEGIN { exit !($seconds < $best) }"; then
            best=$seconds
            best_kib=$kib
        fi
    done
    echo "$best $best_kib"
}

read -r cli_seconds cli_kib < <(best_of_3 cli "$work/cli.out" "$encoder" text)
read -r py_seconds py_kib < <(best_of_3 python "$work/python.out" python3 -c "$python_job")

cmp -s "$work/cli.out" "$work/python.out" || { echo "The outputs differ!" >&2; exit 1; }
output_bytes=$(stat -c %s "$work/cli.out")
input_bytes=$(stat -c %s "$work/input.txt")

awk -v cs="$cli_seconds" -v ps="$py_seconds" -v ck="$cli_kib" -v pk="$py_kib" \
    -v out="$output_bytes" -v inbytes="$input_bytes" 'BEGIN {
    printf "input %.1f MiB, output %.1f MiB (identical for both)\n", inbytes / 1048576, out / 1048576
    printf "quillveil-encode text: %.3f s, peak %.1f MiB (%.2f x output)\n", cs, ck / 1024, ck * 1024 / out
    printf "python str.translate:  %.3f s, peak %.1f MiB\n", ps, pk / 1024
    printf "speed-up: %.1f x\n", (cs > 0 ? ps / cs : 0)
}'
