#!/usr/bin/env bash
# Builds Lumidraft and runs the demo experiment.
# With a display (DISPLAY or WAYLAND_DISPLAY set) the demo opens full screen: arrow keys adjust
# the console's variables, Escape ends it. Without one it runs on a private virtual display,
# takes a screenshot, reports what it shows, presses Escape and ends with the demo's exit code.
# LUMIDRAFT_BUILD_DIR chooses the build directory (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${LUMIDRAFT_BUILD_DIR:-build}
bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumidraft-demo
demo=$root/$build/lumidraft-demo

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$demo"
fi

echo "No display: running the demo on a virtual 1024x768 display."
source scripts/virtual_display.sh
demo_pid=
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null || true
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display 1024 768
shot=$root/$build/demo-screenshot.png
# Nobody is there to click an error box away: errors go to stderr only.
LUMIDRAFT_BACKEND=sdl2 LUMIDRAFT_NO_MESSAGE_BOX=1 timeout 120 "$demo" &
demo_pid=$!

window=$(wait_for_window "Lumidraft" 30) || true
if [ -z "$window" ]; then
  echo "The demo opened no window within 30 s."
  exit 1
fi
if ! wait_for_grey "$shot" 512,384 204 20; then
  screenshot "$shot" || true
  echo "The first frame did not appear within 20 s; the screen is in $shot."
fi

read -r -a squares <<<"$(greys "$shot" 487,384 437,384 387,384 337,384 287,384)"
read -r -a around <<<"$(greys "$shot" 255,384 2,2 201,100)"
echo "Screenshot: $shot"
echo "Squares, grey levels (0-255) from the innermost out: ${squares[*]}"
echo "  expected for 100, 200, 300, 400, 500 pixel squares at 0.8, 0.6, 0.4, 0.2, 0: 204 153 102 51 0"
echo "Background: ${around[0]} (0.2 is 51); console panel over it: ${around[1]} (half of it); beside the panel: ${around[2]}"

echo "Pressing Escape."
xdotool key Escape
code=0
wait "$demo_pid" || code=$?
demo_pid=
echo "The demo ended with exit code $code."
exit "$code"
