#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# in a build of their own, then runs each harness for the given number of seconds (default 60),
# one after the other, starting from its seed corpus in fuzz/corpus/<harness>/.
# A crash, a failed check, a leak or a hang fails the script; the input that reproduces it is
# saved under build-fuzz/findings/ and its path printed.
# Usage: scripts/fuzz.sh [seconds] [harness...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
build=build-fuzz

packages=(clang-14 libclang-rt-14-dev)
bash scripts/install-deps.sh "${packages[@]}"

cc=clang-14 cxx=clang++-14
command -v "$cxx" >/dev/null || { cc=clang cxx=clang++; }
jobs=$(nproc)
CC=$cc CXX=$cxx cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIDRAFT_BUILD_FUZZ=ON \
  -DLUMIDRAFT_SANITIZE=address,undefined -DLUMIDRAFT_BUILD_TESTS=OFF -DLUMIDRAFT_BUILD_BENCH=OFF \
  -DLUMIDRAFT_BUILD_DEMO=OFF >/dev/null
cmake --build "$build" -j "$jobs"

# The GL driver keeps state until exit, as in the tests; everything else that leaks is a finding.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LUMIDRAFT_BACKEND=script

harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && mapfile -t harnesses < "$build/fuzz/fuzzers.txt"
findings=$root/$build/findings
mkdir -p "$findings"
failed=()
summary=()
for name in "${harnesses[@]}"; do
  [ -n "$name" ] || continue
  seeds=$root/fuzz/corpus/$name
  work=$root/$build/corpus/$name # grows here; the committed seeds stay as they are
  mkdir -p "$seeds" "$work"
  log=$root/$build/$name.log
  echo "== $name: ${seconds}s"
  status=0
  "$build/fuzz/$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 -print_final_stats=1 \
    -artifact_prefix="$findings/$name-" "$work" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  cov=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true)
  summary+=("$name: runs ${runs:-?}, ${cov:-no coverage line}, exit $status")
  if [ "$status" -ne 0 ]; then
    failed+=("$name")
    tail -n 60 "$log"
    artifact=$(grep -o "Test unit written to .*" "$log" | sed 's/Test unit written to //' | tail -1 || true)
    echo "FINDING in $name: reproduce with $build/fuzz/$name ${artifact:-(no input saved; see $log)}"
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]} (inputs in $findings)"
  exit 1
fi
