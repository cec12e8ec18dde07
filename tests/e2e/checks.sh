# Shared by the end-to-end scripts: counting failures and comparing screenshot greys.
# Source it after scripts/virtual_display.sh (it uses `greys`).

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
near() { [ "$1" -ge $(($2 - 1)) ] && [ "$1" -le $(($2 + 1)) ]; }
# expect_greys FILE WHAT "EXPECTED..." POINT...: each point's grey within 1 of the expected one.
expect_greys() {
  local file=$1 what=$2 expected=($3) seen i
  shift 3
  seen=($(greys "$file" "$@"))
  for i in "${!expected[@]}"; do
    near "${seen[$i]}" "${expected[$i]}" || fail "$what: at $(eval echo \${$((i + 1))}) grey ${seen[$i]}, expected ${expected[$i]}"
  done
  echo "$what: ${seen[*]}"
}

# fresh_work_dir DIR: skips the test (77) without ImageMagick, which the pixel checks need, then
# makes DIR anew and enters it.
fresh_work_dir() {
  command -v convert >/dev/null || { echo "skipped: convert (ImageMagick) is not installed"; exit 77; }
  rm -rf "$1"
  mkdir -p "$1"
  cd "$1"
}

# run_example PROGRAM EXAMPLE_DIR: the example headless from its run.txt, stdout in out.txt and
# stderr in err.txt; any exit status but 0 is a failure.
run_example() {
  local code=0
  LUMIDRAFT_BACKEND=script LUMIDRAFT_SCRIPT="$2/run.txt" timeout 120 "$1" >out.txt 2>err.txt || code=$?
  [ "$code" -eq 0 ] || fail "exit status $code, expected 0: $(tail -n 3 err.txt | tr '\n' ' ')"
}
