#!/usr/bin/env bash
# The program's command line, answered before any display is needed: help and
# version on standard output, misuse with the usage on standard error and
# status 2, an answer that cannot be written and a missing display each as a
# failure with one line saying why.
#   command-line.sh PROGRAM VERSION
set -uo pipefail
program=$1 version=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# run ARGS...: runs without a display; leaves status, out and err.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY "$program" "$@" >"$out/out" 2>"$out/err"
    status=$?
    stdout=$(cat "$out/out")
    stderr=$(cat "$out/err")
}

for help in --help -h; do
    run "$help"
    [ "$status" -eq 0 ] || fail "$help: status $status"
    grep -q '^Usage: quillveil ' <<<"$stdout" || fail "$help: no usage on standard output"
    [ -z "$stderr" ] || fail "$help: wrote to standard error: $stderr"
done

run --version
[ "$status" -eq 0 ] && [ "$stdout" = "Quillveil $version" ] && [ -z "$stderr" ] ||
    fail "--version: status $status, '$stdout', '$stderr'"

for misuse in --bogus -x extra "--display"; do
    run $misuse
    [ "$status" -eq 2 ] || fail "$misuse: status $status, expected 2"
    [ -z "$stdout" ] || fail "$misuse: wrote to standard output"
    grep -q '^quillveil: ' <<<"$stderr" && grep -q '^Usage: quillveil ' <<<"$stderr" ||
        fail "$misuse: no error and usage on standard error: $stderr"
done

for answer in --help --version; do
    env -u DISPLAY "$program" "$answer" >/dev/full 2>"$out/err"
    status=$?
    [ "$status" -ne 0 ] || fail "$answer >/dev/full reported success"
    grep -q 'cannot write standard output' "$out/err" || fail "$answer >/dev/full: no message"
done

for display in "" "--display=:bogus"; do
    run $display
    [ "$status" -ne 0 ] || fail "without a display ($display): status 0"
    [ "$(wc -l <"$out/err")" -eq 1 ] && grep -q '^quillveil: .*display' "$out/err" ||
        fail "without a display ($display): not one line saying so: $stderr"
done

[ "$failures" -eq 0 ] || exit 1
echo "command line OK"
