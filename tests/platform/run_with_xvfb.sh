#!/usr/bin/env bash
# Runs a command on a private virtual X display (800x600, 24-bit) and stops the display after.
# Xvfb picks a free display number itself (-displayfd), so parallel runs do not collide.
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 20 display <"$fifo"
DISPLAY=":$display" "$@"
