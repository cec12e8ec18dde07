#!/usr/bin/env bash
# Soak test of the sanitized build: every test program, RUNS times in a row, at each of the given
# Mesa renderer thread counts; every failure's output is kept. A fault that shows once in twenty
# runs, or only at another thread count, is a fault.
#
#   scripts/soak.sh [runs] [threads...]      runs defaults to 20, threads to "unset"
#   scripts/soak.sh 20 unset 1 2 4 8
#
# "unset" runs with LP_NUM_THREADS out of the environment (the renderer's default: one thread per
# core). SOAK_MODE=programs (the default): a GoogleTest program runs all its cases in one process
# per run, a test that is a script (Xvfb, the demo end to end) runs through ctest.
# SOAK_MODE=cases: each run is the whole ctest suite, every case in a process of its own, as
# scripts/test.sh runs it (slower; faults at process exit differ from case to case).
# SOAK_ONLY=regex keeps the programs and tests whose name matches (cases: the ctest names, as
# ctest -R takes them); SOAK_TIMEOUT=seconds bounds
# one run of one program (default 600; cases keep their own ctest timeouts). SOAK_BUILD=dir soaks
# another sanitized build (default build-asan; made when missing), so two soaks can run side by
# side without sharing the end-to-end tests' work folders.
# Logs of failed runs: <build>/soak/<threads>/<program>.<run>.log (cases: ctest.<run>.log).
# Exits 1 if anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
lumidraft_root=$PWD
source scripts/sanitizer_env.sh

runs=${1:-20}
shift || true
threads=("$@")
[ ${#threads[@]} -eq 0 ] && threads=(unset)
only=${SOAK_ONLY:-.}
mode=${SOAK_MODE:-programs}
limit=${SOAK_TIMEOUT:-600}
build=${SOAK_BUILD:-build-asan}
logs=$build/soak

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIDRAFT_SANITIZE=address,undefined \
    -DLUMIDRAFT_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >/dev/null

# From ctest's listing: GoogleTest programs (their cases carry --gtest_filter) once each, and the
# other tests by name.
programs=()
scripted=()
while IFS=$'\t' read -r kind what; do
  [[ $(basename "$what") =~ $only ]] || continue
  if [ "$kind" = program ]; then programs+=("$what"); else scripted+=("$what"); fi
done < <(ctest --test-dir "$build" -N -V | awk '
  /^[0-9]+: Test command: / { command = $4; filtered = ($0 ~ /--gtest_filter=/) ; next }
  /^ *Test +#[0-9]+: / {
    name = $0; sub(/^ *Test +#[0-9]+: /, "", name)
    if (filtered) { if (!(command in seen)) { seen[command] = 1; print "program\t" command } }
    else print "test\t" name
  }')
if [ "$mode" != cases ] && [ ${#programs[@]} -eq 0 ] && [ ${#scripted[@]} -eq 0 ]; then
  echo "soak: no test matches '$only'" >&2
  exit 2
fi

declare -A failures
total_failed=0
start=$SECONDS
for t in "${threads[@]}"; do
  mkdir -p "$logs/$t"
  for ((run = 1; run <= runs; run++)); do
    pass_start=$SECONDS
    pass_failed=()
    if [ "$mode" = cases ]; then
      log="$logs/$t/ctest.$run.log"
      environment=(env LP_NUM_THREADS="$t")
      [ "$t" = unset ] && environment=(env -u LP_NUM_THREADS)
      status=0
      "${environment[@]}" ctest --test-dir "$build" -j "$(nproc)" -R "$only" --output-on-failure \
        >"$log" 2>&1 || status=$?
      if [ "$status" -eq 0 ]; then
        rm -f "$log"
      else
        # ctest's closing list: "  12 - Name (Failed)".
        while read -r name; do
          pass_failed+=("$name")
          failures["$t $name"]=$(( ${failures["$t $name"]:-0} + 1 ))
          total_failed=$((total_failed + 1))
        done < <(sed -n '/The following tests FAILED/,$ s/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$log")
        if [ ${#pass_failed[@]} -eq 0 ]; then
          pass_failed+=(ctest)
          failures["$t ctest(exit-$status)"]=$(( ${failures["$t ctest(exit-$status)"]:-0} + 1 ))
          total_failed=$((total_failed + 1))
        fi
        echo "FAILED threads=$t run=$run: ${pass_failed[*]} log: $log"
      fi
      echo "threads=$t run $run/$runs: ${#pass_failed[@]} failed, $((SECONDS - pass_start)) s"
      continue
    fi
    for what in "${programs[@]}" "${scripted[@]}"; do
      name=$(basename "$what")
      log="$logs/$t/$name.$run.log"
      if [[ $what == /* ]]; then
        command=(env LUMIDRAFT_BACKEND=script timeout "$limit" "$what")
        dir=$(dirname "$what")
      else
        command=(ctest --test-dir "$lumidraft_root/$build" -R "^${what}\$" --output-on-failure)
        dir=$lumidraft_root
      fi
      if [ "$t" = unset ]; then
        status=0; (cd "$dir" && env -u LP_NUM_THREADS "${command[@]}") >"$log" 2>&1 || status=$?
      else
        status=0; (cd "$dir" && LP_NUM_THREADS=$t "${command[@]}") >"$log" 2>&1 || status=$?
      fi
      if [ "$status" -eq 0 ]; then
        rm -f "$log"
      else
        pass_failed+=("$name")
        failures["$t $name"]=$(( ${failures["$t $name"]:-0} + 1 ))
        total_failed=$((total_failed + 1))
        cases=$(grep -E '^\[  FAILED  \] [A-Za-z]' "$log" | sed 's/^\[  FAILED  \] //; s/ (.*//' | sort -u | tr '\n' ' ' || true)
        echo "FAILED threads=$t run=$run $name (exit $status) ${cases:+cases: $cases}log: $log"
      fi
    done
    echo "threads=$t run $run/$runs: ${#pass_failed[@]} failed, $((SECONDS - pass_start)) s"
  done
done

echo
if [ "$mode" = cases ]; then
  echo "soak (cases): ctest -R '$only', $runs runs at LP_NUM_THREADS ${threads[*]}, $((SECONDS - start)) s"
else
  echo "soak (programs): ${#programs[@]} programs and ${#scripted[@]} scripted tests, $runs runs at" \
    "LP_NUM_THREADS ${threads[*]}, $((SECONDS - start)) s"
fi
if [ "$total_failed" -eq 0 ]; then
  echo "soak: no failures"
  exit 0
fi
printf '%-8s %-60s %s\n' threads "program or case" "failed runs"
for key in "${!failures[@]}"; do
  printf '%-8s %-60s %s/%s\n' ${key} "${failures[$key]}" "$runs"
done | sort
exit 1
