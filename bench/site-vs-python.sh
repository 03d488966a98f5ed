#!/usr/bin/env bash
# quillveil-encode check (as text and as SARIF) and protect on a generated site of 2,200 pages
# (about 220 MB; most pages without an address, one in five with several) against
# bench/site-reference.py, the same job on Python's html.parser, in the same run. Reports wall
# time, CPU time (user+sys) and the cores that makes, peak memory, the speed-ups, the spread of
# three runs, how time grows from half the site to all of it, and the peak memory of the main
# process and of its largest worker. The site is generated under a temporary directory and
# removed after, or kept in QUILLVEIL_BENCH_SITE (generated there once, reused by later runs).
#   bench/site-vs-python.sh [path/to/quillveil-encode]   (default: build/cli/quillveil-encode)
set -euo pipefail
cd "$(dirname "$0")/.."

encoder=$(realpath "${1:-build/cli/quillveil-encode}")
[ -x "$encoder" ] || { echo "No encoder at $encoder; build it first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "Needs GNU time (Debian package 'time')" >&2; exit 2; }
reference=$(realpath bench/site-reference.py)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
site=${QUILLVEIL_BENCH_SITE:-$work/site}
[ -d "$site/section39" ] || python3 bench/generate-site.py "$site" 2200 96
# Half the site: the first half of its sections.
mkdir "$work/half"
for section in $(seq -f 'section%02g' 0 19); do cp -r "$site/$section" "$work/half/"; done

measure() { # label, command...: appends "label wall cpu kib" to $work/figures
    local label=$1
    shift
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >"$work/$label.out" 2>"$work/$label.err" || true
    # GNU time puts "Command exited with non-zero status 1" (check found something) first.
    read -r wall user sys kib < <(tail -n 1 "$work/time")
    echo "$label $wall $(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }') $kib" >>"$work/figures"
}

fresh() { # a site to protect: the whole one or the half
    rm -rf "$work/copy" && cp -r "$([ "$1" = site ] && echo "$site" || echo "$work/$1")" "$work/copy"
}

: >"$work/figures"
for run in 1 2 3; do
    measure "check-full-$run" "$encoder" check "$site"
    measure "check-sarif-$run" "$encoder" check --format sarif "$site"
    measure "check-half-$run" "$encoder" check "$work/half"
    fresh site && measure "protect-full-$run" "$encoder" protect "$work/copy"
    fresh half && measure "protect-half-$run" "$encoder" protect "$work/copy"
done
fresh site && "$encoder" protect "$work/copy" 2>/dev/null && mv "$work/copy" "$work/ours"

peaks() { # label, command...: peak memory of the main process and of its largest worker
    local label=$1 main_kib=0 worker_kib=0 kib child
    shift
    "$@" >/dev/null 2>&1 &
    local main=$!
    # The high-water marks only grow: the last look before the end is close enough.
    while kill -0 "$main" 2>/dev/null; do
        kib=$(awk '/^VmHWM/ { print $2 }' "/proc/$main/status" 2>/dev/null) || true
        [ "${kib:-0}" -gt "$main_kib" ] && main_kib=$kib
        for child in $(cat /proc/"$main"/task/*/children 2>/dev/null); do
            kib=$(awk '/^VmHWM/ { print $2 }' "/proc/$child/status" 2>/dev/null) || true
            [ "${kib:-0}" -gt "$worker_kib" ] && worker_kib=$kib
        done
        sleep 0.02
    done
    wait "$main" || true
    awk -v label="$label" -v main="$main_kib" -v worker="$worker_kib" 'BEGIN {
        printf "%-32s %7.1f MiB main process, %7.1f MiB largest worker\n", label, main / 1024,
               worker / 1024 }' >>"$work/peaks"
}
: >"$work/peaks"
peaks "quillveil-encode check" "$encoder" check "$site"
fresh site && peaks "quillveil-encode protect" "$encoder" protect "$work/copy"
measure python-check python3 "$reference" check "$site"
fresh site && measure python-protect python3 "$reference" protect "$work/copy"

# Same findings, same protected pages.
cmp -s "$work/check-full-1.out" "$work/python-check.out" || { echo "check outputs differ!" >&2; exit 1; }
diff -r -q "$work/ours" "$work/copy" >/dev/null || { echo "protected sites differ!" >&2; exit 1; }

awk -v bytes="$(du -sb "$site" | cut -f1)" -v half="$(du -sb "$work/half" | cut -f1)" '
    { split($1, name, /-[0-9]+$/); key = name[1]
      if (!(key in wall) || $2 < wall[key]) { wall[key] = $2; cpu[key] = $3; kib[key] = $4 }
      if ($2 > slowest[key]) slowest[key] = $2 }
    function row(key, label) {
        printf "%-32s %7.2f s wall %7.2f s cpu  %4.2f cores  %7.1f MiB peak\n", label, wall[key],
               cpu[key], (wall[key] > 0 ? cpu[key] / wall[key] : 0), kib[key] / 1024 }
    END {
        printf "site: 2200 pages, %.1f MB; half: %.1f MB\n", bytes / 1e6, half / 1e6
        row("check-full", "quillveil-encode check (best of 3)")
        row("check-sarif", "check --format sarif (best of 3)")
        row("python-check", "python html.parser check")
        row("protect-full", "quillveil-encode protect (best of 3)")
        row("python-protect", "python html.parser protect")
        printf "speed-up check:   %.1f x wall, %.1f x cpu\n", wall["python-check"] / wall["check-full"],
               cpu["python-check"] / cpu["check-full"]
        printf "speed-up protect: %.1f x wall, %.1f x cpu\n", wall["python-protect"] / wall["protect-full"],
               cpu["python-protect"] / cpu["protect-full"]
        printf "check --format sarif / text: %.2f wall, %.2f cpu\n",
               wall["check-sarif"] / wall["check-full"], cpu["check-sarif"] / cpu["check-full"]
        printf "slowest / fastest of 3: check %.2f, protect %.2f\n",
               slowest["check-full"] / wall["check-full"], slowest["protect-full"] / wall["protect-full"]
        printf "full / half, size %.2f: check time %.2f, protect time %.2f\n", bytes / half,
               wall["check-full"] / wall["check-half"], wall["protect-full"] / wall["protect-half"]
    }' "$work/figures"
cat "$work/peaks"
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) (on $(nproc) cores)"
