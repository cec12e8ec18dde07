#!/usr/bin/env bash
# The image-sequence example run from its run.txt: each capture shows the right picture at the
# right frame, and each key press is written against the frame and the picture it came in.
# Usage: image_sequence_e2e.sh PROGRAM EXAMPLE_DIR WORK_DIR. Exits 77 without ImageMagick.
set -euo pipefail
program=$1
example=$2
work=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/virtual_display.sh"
source "$here/../e2e/checks.sh"
fresh_work_dir "$work"

run_example "$program" "$example"

expected='press,frame,presentation,picture,frame_in_picture,time_ms
1,40,2,picture-2.png,4,150
2,75,8,picture-3.png,3,733.3333333333334
3,90,10,picture-5.png,6,983.3333333333334'
[ "$(cat results/image-sequence.csv)" = "$expected" ] || fail "data file: $(cat results/image-sequence.csv)"

# Picture i (96 x 96, centred: its top-left at 464,336) has its own red level at (90,10) and a
# black bar over columns 12i..12i+20, so (10 + 12i, 48) is black only in picture i's bar.
expect_greys shots/fixation.png "fixation, no picture" "128 0" 554,346 512,384
pic=(- 200 40 90 140 240)
check_picture() { # FILE PICTURE
  local i=$2 x=$((464 + 10 + 12 * $2))
  expect_greys "$1" "$(basename "$1"): picture $i" "${pic[$i]} 0" 554,346 $x,384
}
check_picture shots/frame-031.png 1
check_picture shots/frame-036.png 1
check_picture shots/frame-037.png 2
check_picture shots/frame-045.png 3
check_picture shots/frame-052.png 4
check_picture shots/frame-060.png 5
check_picture shots/frame-061.png 1

[ "$failures" -eq 0 ] || exit 1
echo "passed: results in $work"
