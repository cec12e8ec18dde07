#!/usr/bin/env bash
# The reaction-time example run from its run.txt: the too-early press repeats the trial, the
# reaction times count from the flip that showed the target, the console resized the target.
# Usage: reaction_time_e2e.sh PROGRAM EXAMPLE_DIR WORK_DIR. Exits 77 without ImageMagick.
set -euo pipefail
program=$1
example=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual_display.sh"
source "$here/../e2e/checks.sh"
fresh_work_dir "$work"

run_example "$program" "$example"

# Trial 1 was pressed too early once; 18, 15 and 24 frames after the targets make 300, 250 and
# 400 ms; trial 4 was not answered. The console's Right presses show in target_size.
expected='trial,foreperiod_frames,early_presses,target_size,rt_ms
1,43,1,100,300
2,77,0,100,250
3,49,0,100,400
4,56,0,120,-1'
[ "$(cat results/reaction-time.csv)" = "$expected" ] ||
  fail "data file: $(cat results/reaction-time.csv)"
grep -q '^114,.*,target$' results/reaction-time-timing.csv || fail "timing log: frame 114 not tagged target"

# Background 0.3 is grey 76; the disc is white, 100 then 120 pixels wide, on the centre.
expect_greys shots/target.png "target of 100 pixels" "255 255 76 76" 512,384 557,384 567,384 512,440
expect_greys shots/bigger.png "target of 120 pixels" "255 255 76" 512,384 567,384 577,384
expect_greys shots/too-early.png "too-early warning, no target" "76 255" 512,384 472,378

[ "$failures" -eq 0 ] || exit 1
echo "passed: results in $work"
