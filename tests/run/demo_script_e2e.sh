#!/usr/bin/env bash
# The demo program run headless from run scripts on the script backend: captures show what the
# console's keys did, exit statuses for Escape, the script's end, an experiment's error and a
# refused script, the end-of-run line, and two runs of one script giving the same bytes.
# Usage: demo_script_e2e.sh DEMO_BINARY THROWING_BINARY WORK_DIR. Exits 77 without ImageMagick.
set -euo pipefail
demo=$1
throwing=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual_display.sh"
source "$here/../e2e/checks.sh"
fresh_work_dir "$work"

# run NAME PROGRAM: runs PROGRAM on NAME.txt; status in $code, stderr in NAME.err.
run() {
  code=0
  LUMIDRAFT_BACKEND=script LUMIDRAFT_SCRIPT="$1.txt" timeout 120 "$2" >"$1.out" 2>"$1.err" || code=$?
}
expect_code() { [ "$code" -eq "$2" ] || fail "$1: exit status $code, expected $2 ($(tail -n 3 "$1.err" | tr '\n' ' '))"; }
expect_line() { grep -qxF -- "$2" "$1.err" || fail "$1: no line \"$2\" on stderr: $(cat "$1.err")"; }

# Right at frame 5: the pump sees it after flip 5, the console steps the count in flip 6 (its
# panel already shows 10), and the squares drawn for frame 7 are ten.
cat >right.txt <<'SCRIPT'
display 1024 768 60
at frame 5 press rightArrow   # ten squares from here
at frame 6 capture shots/six.png
at frame 7 capture shots/seven.png
at frame 9 press escape
SCRIPT
run right "$demo"
expect_code right 0
expect_line right "Lumidraft run: 9 frames presented, 0 refreshes missed, 3 events delivered, 2 frames captured, exit status 0"
expect_greys shots/six.png "frame 6, still five squares" "51 0 51 102 153 204" \
  255,384 287,384 337,384 387,384 437,384 487,384
expect_greys shots/seven.png "frame 7, ten squares" "0 26 51 77 102 128 153 179 204 230" \
  275,384 300,384 325,384 350,384 375,384 400,384 425,384 450,384 475,384 500,384
expect_greys shots/seven.png "console panel and beyond" "26 26 26 51 51" 2,2 199,100 100,199 201,100 100,201

# Shift+Up: Up wraps the selection to the last variable, BG Luminance; Right with Shift held
# takes the Shift step (0.2 + 0.1), Right without it the plain one (+ 0.05).
cat >shift.txt <<'SCRIPT'
at frame 10 down shift
at frame 11 press upArrow
at frame 13 press rightArrow
at frame 15 up shift
at frame 16 capture shots/shifted.png
at frame 17 press rightArrow
at frame 20 capture shots/plain.png
at frame 21 press escape
SCRIPT
run shift "$demo"
expect_code shift 0
expect_greys shots/shifted.png "background after Shift+Right on BG Luminance" "77 0 204" 900,700 263,384 512,384
expect_greys shots/plain.png "background after a plain Right" "89 0 204" 900,700 263,384 512,384

# The script's end: the run stops there with status 3.
printf 'every 5 frames capture shots/end-%%03d.png\nend at frame 12\n' >end.txt
run end "$demo"
expect_code end 3
expect_line end "Lumidraft run: 12 frames presented, 0 refreshes missed, 0 events delivered, 2 frames captured, exit status 3"
[ -f shots/end-005.png ] && [ -f shots/end-010.png ] || fail "end: captures at frames 5 and 10 missing"

# Virtual time: 60 Hz, so 2.5 s is frame 150, however long the run really takes.
printf 'at 2.5 s press escape\nend at frame 1000\n' >timed.txt
run timed "$demo"
expect_code timed 0
expect_line timed "Lumidraft run: 150 frames presented, 0 refreshes missed, 1 events delivered, 0 frames captured, exit status 0"

# An experiment that raises: status 1, its text on stderr, no box to wait for.
printf 'end at frame 100\n' >throws.txt
run throws "$throwing"
expect_code throws 1
expect_line throws "[Lumidraft Notification] class Lumidraft::Canvas [ARGUMENT ERROR] flip-delay frames must be positive number."
expect_line throws "Lumidraft run: 3 frames presented, 0 refreshes missed, 0 events delivered, 0 frames captured, exit status 1"

# A mistake in the script: refused before the experiment starts, naming the line.
printf 'display 1024 768 60\nat frame 5 press rightArrow\n\n# typo below\nat frame 7 press rigthArrow\n' >typo.txt
run typo "$demo"
expect_code typo 2
expect_line typo "Lumidraft: typo.txt:5: unknown key \"rigthArrow\""
grep -q "frames presented" typo.err && fail "typo: the experiment ran"

# A script named without the script backend is refused too.
code=0
LUMIDRAFT_BACKEND=sdl2 LUMIDRAFT_SCRIPT=right.txt timeout 30 "$demo" >wrong.out 2>wrong.err || code=$?
expect_code wrong 2
grep -q "LUMIDRAFT_SCRIPT is set, but a run script needs LUMIDRAFT_BACKEND=script" wrong.err ||
  fail "wrong backend: $(cat wrong.err)"

# Determinism: the same script twice, in two folders, gives the same bytes and the same stderr.
cat >twice.txt <<'SCRIPT'
at frame 3 press rightArrow
at frame 5 down shift
at frame 6 press downArrow
at frame 8 press leftArrow
at frame 9 up shift
at frame 10 move 300 200
every 4 frames capture shots/f-%03d.png
end at frame 24
SCRIPT
for pass in a b; do
  mkdir -p "$pass"
  cp twice.txt "$pass/"
  (cd "$pass" && run twice "$demo" && echo "$code" >code)
done
[ "$(cat a/code)" = 3 ] || fail "twice: exit status $(cat a/code), expected 3"
cmp a/twice.err b/twice.err || fail "twice: stderr differs between the runs"
[ "$(ls a/shots | wc -l)" -eq 6 ] || fail "twice: $(ls a/shots | wc -l) captures, expected 6"
for f in a/shots/*.png; do
  cmp "$f" "b/shots/$(basename "$f")" || fail "twice: $(basename "$f") differs between the runs"
done
# The Shift step on the selected Rect Size (500 - 100) shows in the later frames.
expect_greys a/shots/f-024.png "ten squares of at most 400 pixels" "51 0" 307,384 313,384

[ "$failures" -eq 0 ] || exit 1
echo "passed: pictures in $work"
