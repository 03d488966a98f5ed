#!/usr/bin/env bash
# Runs a command on a private Xvfb server of its own, so GUI tests can run in
# parallel without sharing a display or a clipboard.
set -euo pipefail

fifo_dir=$(mktemp -d)
mkfifo "$fifo_dir/display"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$fifo_dir/display" 2>/dev/null &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; rm -rf "$fifo_dir"' EXIT

read -r -t 30 display_number <"$fifo_dir/display"
export DISPLAY=":$display_number"
unset WAYLAND_DISPLAY
"$@"
