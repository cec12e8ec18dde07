#!/usr/bin/env bash
# The demo program as a lab starts it, with no LUMIDRAFT_BACKEND (off Windows that is the real
# sdl2 backend), on a private 1024x768 virtual display: an X window appears, the first frame's
# squares and console panel, Right giving ten squares, Escape ending it with code 0.
# Every wait ends as soon as its condition holds; the bounds only end a hang on a loaded machine.
# Usage: demo_e2e.sh DEMO_BINARY WORK_DIR. Exits 77 (skipped) when the X tools are missing.
set -euo pipefail
demo=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual_display.sh"
source "$here/checks.sh"

for tool in Xvfb xdotool import convert timeout; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
mkdir -p "$work"

demo_pid=
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null || true
  stop_virtual_display
}
trap cleanup EXIT


start_virtual_display 1024 768
# The box of the entry point would wait for a click that never comes.
env -u LUMIDRAFT_BACKEND LUMIDRAFT_NO_MESSAGE_BOX=1 timeout 400 "$demo" >"$work/demo.log" 2>&1 &
demo_pid=$!

window=$(wait_for_window "Lumidraft" 120) || true
[ -n "$window" ] || { cat "$work/demo.log"; echo "FAIL: no X window from the demo within 120 s"; exit 1; }
# The first frame is there when the innermost square shows its 0.8 grey.
wait_for_grey "$work/first.png" 512,384 204 120 || fail "no first frame within 120 s"

# Five squares of 500..100 pixels centred on (512, 384), outside in 0, 0.2, 0.4, 0.6, 0.8, on a
# 0.2 background; sampled half-way across each ring, left of the centre.
expect_greys "$work/first.png" "five squares, outside in" "51 0 51 102 153 204" \
  255,384 287,384 337,384 387,384 437,384 487,384
# The largest square's edges: 500 pixels wide.
expect_greys "$work/first.png" "outer square edges" "51 0 0 51" 261,384 263,384 761,384 764,384
# The console: black at half opacity over the 0.2 background, 200 x 200 pixels.
expect_greys "$work/first.png" "console panel and beyond" "26 26 26 51 51" 2,2 199,100 100,199 201,100 100,201

xdotool key Right
wait_for_grey "$work/right.png" 512,384 230 120 || fail "Right did not give ten squares within 120 s"
expect_greys "$work/right.png" "ten squares, outside in" "0 26 51 77 102 128 153 179 204 230" \
  275,384 300,384 325,384 350,384 375,384 400,384 425,384 450,384 475,384 500,384

xdotool key Escape
code=0
for _ in $(seq 1 1200); do
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
  fail "the demo did not end within 120 s of Escape"
else
  wait "$demo_pid" || code=$?
  demo_pid=
  [ "$code" -eq 0 ] || fail "exit code $code after Escape, expected 0"
fi
if xdotool search --onlyvisible --name "Lumidraft" >/dev/null 2>&1; then
  fail "the demo's window is still shown"
fi

[ "$failures" -eq 0 ] || { echo "--- demo log"; cat "$work/demo.log"; exit 1; }
echo "passed: screenshots in $work"
