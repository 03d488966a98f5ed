#!/usr/bin/env bash
# Installs the program into a scratch prefix, starts it as a person would and
# drives it with the keyboard: Enter generates the preset address, Copy puts
# the code on the clipboard, Escape (or the Close button) ends the program
# with status 0. Runs on the X display it is given (see with-xvfb.sh).
set -euo pipefail

build_dir=$1
prefix=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$prefix"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
program="$prefix/bin/quillveil"
[ -x "$program" ] || fail "cmake --install put no quillveil into $prefix/bin"

# Every byte of the text as a decimal character reference.
encode() {
    local text=$1 i
    for ((i = 0; i < ${#text}; i++)); do
        printf '&#%d;' "'${text:i:1}"
    done
}
expected="<a href=\"$(encode 'mailto:User@example.com?subject=Test%20Subject')\">$(encode Support)</a>"

# start [ARGS...]: starts the program as a person would and focuses its window.
start() {
    "$@" 2>>"$prefix/stderr" &
    pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quillveil$' | head -n 1)
    [ -n "$window" ] || fail "no window named Quillveil appeared"
    # Without a window manager nothing gets the input focus by itself.
    xdotool windowfocus --sync "$window"
}

# Waits for the program to end and checks how it ended.
expect_exit_zero() {
    local status=0
    timeout 20 tail --pid="$pid" -f /dev/null || fail "the program did not end"
    wait "$pid" || status=$?
    pid=
    [ "$status" -eq 0 ] || fail "exit status $status, expected 0"
}

# Run 1: the keyboard path of a first-time user.
start "$program"
xdotool key Return
sleep 0.5
# From Generate Code, Copy is the seventh tab stop in e-mail mode.
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab space
copied=
for _ in $(seq 50); do
    copied=$(xclip -o -selection clipboard -target UTF8_STRING 2>/dev/null || true)
    [ "$copied" = "$expected" ] && break
    sleep 0.1
done
[ "$copied" = "$expected" ] || fail "clipboard holds '$copied', expected '$expected'"
xdotool key Escape
expect_exit_zero

# Run 2: the Close button, reached from Generate Code by Shift+Tab past the
# three mode boxes; the display named on the command line, not in the
# environment.
start env -u DISPLAY "$program" --display "$DISPLAY"
xdotool key --delay 50 shift+Tab shift+Tab shift+Tab shift+Tab space
expect_exit_zero

# The toolkit's warnings and failed assertions would reach a user's terminal.
if grep -E 'CRITICAL|WARNING|Warning' "$prefix/stderr" >&2; then
    fail "the program wrote warnings to standard error"
fi
echo "end-to-end: ok"
