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
