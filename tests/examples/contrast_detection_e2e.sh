#!/usr/bin/env bash
# The contrast-detection example run from its run.txt: the patch is in the interval the data file
# names, at the contrast it names; the staircase moves by the 1-up-2-down rule over the fixed
# answers; the timing log is tagged per phase.
# Usage: contrast_detection_e2e.sh PROGRAM EXAMPLE_DIR WORK_DIR. Exits 77 without ImageMagick.
set -euo pipefail
program=$1
example=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual_display.sh"
source "$here/../e2e/checks.sh"
fresh_work_dir "$work"

run_example "$program" "$example"
data=results/contrast-detection.csv

# The path the seed and the fixed answers give: down after two correct, up after a wrong one.
expected='trial,contrast,interval,answer,correct,rt_ms
1,0.5,2,2,1,150
2,0.5,1,1,1,150
3,0.35,2,1,0,150
4,0.5,2,2,1,150
5,0.5,1,1,1,150
6,0.35,1,1,1,150
7,0.35,2,2,1,150
8,0.24499999999999997,2,1,0,150'
[ "$(cat "$data")" = "$expected" ] || fail "data file: $(cat "$data")"

# The same rule recomputed from the rows themselves, so a wrong path is caught whatever the seed.
awk -F, 'NR == 1 { next }
  NR > 2 && ($2 - c > 1e-12 || c - $2 > 1e-12) { print "trial " $1 ": contrast " $2 ", rule gives " c; bad = 1 }
  { c = $2; correct = ($4 == $3); if ($5 != correct) { print "trial " $1 ": correct column wrong"; bad = 1 }
    if (!correct) { c = c / 0.7; if (c > 1) c = 1; run = 0 } else if (++run == 2) { c = c * 0.7; run = 0 } }
  END { exit bad }' "$data" || fail "staircase rule broken"

# Every phase is tagged: trial 1 runs fixation 1-30, interval 1 31-50, gap 51-80, interval 2
# 81-100, response from 101; trial 2 starts at 111.
for row in "1,fixation" "31,interval 1" "51,gap" "81,interval 2" "101,response" "111,fixation"; do
  grep -q "^${row%%,*},.*,${row#*,}\$" results/contrast-detection-timing.csv || fail "timing log: no row ${row%%,*} tagged ${row#*,}"
done

# Peak 16 pixels right of the centre, trough 8 pixels right: 0.5 +- contrast / 2 x the window
# (exp(-256/800), exp(-64/800)); grey 128 where the patch is not; the fixation point black.
expect_greys shots/trial1-interval1.png "trial 1, interval 1: no patch" "128 128 0" 528,384 520,384 512,384
expect_greys shots/trial1-interval2.png "trial 1, interval 2: patch at 0.5" "174 69 0" 528,384 520,384 512,384
expect_greys shots/trial2-interval1.png "trial 2, interval 1: patch at 0.5" "174 69" 528,384 520,384
expect_greys shots/trial2-response.png "response screen" "128 128 0" 528,384 512,384 486,408

[ "$failures" -eq 0 ] || exit 1
echo "passed: results in $work"
