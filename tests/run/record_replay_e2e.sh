#!/usr/bin/env bash
# An observer's session on the real sdl2 backend, recorded with LUMIDRAFT_RECORD on a private
# Xvfb display with keys and the mouse driven by xdotool, then replayed headless on the script
# backend: the replay ends the way the session did (Escape, status 0) after as many frames, and
# every screen the session showed is among the frames the replay captures, pixel for pixel.
# Usage: record_replay_e2e.sh DEMO_BINARY WORK_DIR. Exits 77 (skipped) when the X tools are missing.
set -euo pipefail
demo=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual_display.sh"
source "$here/../e2e/checks.sh"
for tool in Xvfb xdotool import convert identify timeout; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work"
cd "$work"

demo_pid=
cleanup() {
  [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null || true
  stop_virtual_display
}
trap cleanup EXIT

# ImageMagick's signature of each picture's pixels, whatever file layout or metadata holds them.
pixels() { identify -format '%#\n' "$@"; }

start_virtual_display 1024 768
LUMIDRAFT_BACKEND=sdl2 LUMIDRAFT_NO_MESSAGE_BOX=1 LUMIDRAFT_RECORD=session.txt timeout 90 "$demo" >live.log 2>&1 &
demo_pid=$!
window=$(wait_for_window "Lumidraft" 30) || true
[ -n "$window" ] || { cat live.log; echo "FAIL: no demo window within 30 s"; exit 1; }

wait_for_grey live-1.png 512,384 204 20 || fail "no first frame within 20 s"
xdotool mousemove 300 200
xdotool key Right
wait_for_grey live-2.png 512,384 230 10 || fail "Right did not give ten squares within 10 s"
# Shift+Up selects BG Luminance (the selection wraps), Shift+Right steps it by 0.1.
# Shift is held over several frames, so the console's Shift query sees it whichever pump takes
# the arrows (a slow, sanitized build takes many pumps for them).
xdotool keydown shift
sleep 0.5
xdotool key Up key Right
sleep 0.5
xdotool keyup shift
wait_for_grey live-3.png 900,700 77 10 || fail "Shift+Up, Shift+Right did not give a 0.3 background within 10 s"
xdotool mousemove 640 500 click 1
xdotool key Left
wait_for_grey live-4.png 900,700 64 10 || fail "Left did not give a 0.25 background within 10 s"

xdotool key Escape
code=0
for _ in $(seq 1 100); do
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
  fail "the demo did not end within 10 s of Escape"
else
  wait "$demo_pid" || code=$?
  demo_pid=
  [ "$code" -eq 0 ] || fail "exit code $code after Escape, expected 0"
fi
stop_virtual_display

[ -s session.txt ] || { cat live.log; echo "FAIL: no recording"; exit 1; }
grep -qx "display 1024 768 60" session.txt || fail "the recording has no display line"
for line in "down rightArrow" "up rightArrow" "down shift" "down upArrow" "down escape" "down left" "up left" "move 640 500"; do
  grep -q " $line\$" session.txt || fail "the recording has no \"$line\""
done
frames=$(sed -n 's/^end at frame \([0-9]*\)$/\1/p' session.txt)
[ -n "$frames" ] || fail "the recording has no end line"
frames=$((${frames:-1} - 1))

# The replay, capturing every frame.
{ cat session.txt; echo "every 1 frames capture replay/%05d.png"; } >replay.txt
code=0
LUMIDRAFT_BACKEND=script LUMIDRAFT_SCRIPT=replay.txt timeout 300 "$demo" >replay.out 2>replay.err || code=$?
[ "$code" -eq 0 ] || fail "the replay ended with status $code, expected 0: $(tail -n 2 replay.err)"
grep -q "^Lumidraft run: $frames frames presented, .* $frames frames captured, exit status 0\$" replay.err ||
  fail "the replay did not present the session's $frames frames: $(tail -n 1 replay.err)"

pixels replay/*.png | sort -u >replayed.sums
for shot in live-1 live-2 live-3 live-4; do
  [ -f "$shot.png" ] || continue
  grep -qx "$(pixels "$shot.png")" replayed.sums || fail "the session's screen $shot.png is not among the replayed frames"
done

[ "$failures" -eq 0 ] || { echo "--- live log"; cat live.log; echo "--- recording"; head -n 40 session.txt; exit 1; }
echo "passed: $frames frames recorded and replayed in $work"
