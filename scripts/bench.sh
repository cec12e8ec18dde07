#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench), runs every bench program and prints one table of
# every goal they measure: measure, ours, baseline, ratio, goal, met or MISSED, after the machine
# they ran on. Each program reports its goals as GOAL lines (bench/bench_support.h, printGoal);
# a program that printed none, failed or ran out of time is named under the table.
#
#   scripts/bench.sh [program...]     default: every build-bench/bench/*_bench
#
# BENCH_TIMEOUT=seconds bounds each program (default 600). Full outputs: build-bench/bench-logs/.
# A missed goal is a result, not an error: the exit status is 1 only if the build or a program failed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=build-bench
limit=${BENCH_TIMEOUT:-600}

# The load at start says how much the figures can be trusted: ratios are taken against a baseline
# measured in the same run, but a busy machine still widens their spread.
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
echo "machine: ${cpu:-unknown CPU}, $(nproc) cores, load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "date:    $(date -u '+%Y-%m-%d %H:%M UTC'), commit $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=true
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMIDRAFT_BUILD_BENCH=ON -DLUMIDRAFT_BUILD_TESTS=OFF \
  -DLUMIDRAFT_BUILD_DEMO=OFF -DLUMIDRAFT_SANITIZE= >/dev/null
cmake --build "$build" -j "$(nproc)" >"$build/build.log" 2>&1 || { tail -n 40 "$build/build.log"; exit 1; }

programs=("$@")
if [ ${#programs[@]} -eq 0 ]; then
  for p in "$build"/bench/*_bench; do
    [ -x "$p" ] && programs+=("$(basename "$p")")
  done
fi
[ ${#programs[@]} -gt 0 ] || { echo "bench: no *_bench program in $build/bench" >&2; exit 1; }

logs=$build/bench-logs
mkdir -p "$logs"
goals=$logs/goals.tsv
: >"$goals"
silent=()
failed=()
for name in "${programs[@]}"; do
  log=$logs/$name.log
  start=$SECONDS
  status=0
  # The drawing benches need the scripted machine; the others ignore the variable.
  LUMIDRAFT_BACKEND=script timeout "$limit" "$build/bench/$name" >"$log" 2>&1 || status=$?
  echo "ran $name: $((SECONDS - start)) s, exit $status"
  if [ "$status" -ne 0 ]; then
    [ "$status" -eq 124 ] && failed+=("$name (stopped after $limit s)") || failed+=("$name (exit $status)")
  fi
  if grep -q $'^GOAL\t' "$log"; then
    grep $'^GOAL\t' "$log" | cut -f2- | sed "s/^/$name\t/" >>"$goals"
  else
    silent+=("$name")
  fi
done

echo
awk -F'\t' '
  { rows[NR] = $0; for (i = 1; i <= NF; i++) if (length($i) > width[i]) width[i] = length($i) }
  END {
    split("program\tmeasure\tours\tbaseline\tratio\tgoal\tresult", head, "\t")
    for (i = 1; i <= 7; i++) if (length(head[i]) > width[i]) width[i] = length(head[i])
    line = ""
    for (i = 1; i <= 7; i++) line = line sprintf("%-" width[i] "s  ", head[i])
    print line
    for (r = 1; r <= NR; r++) {
      n = split(rows[r], f, "\t"); line = ""
      for (i = 1; i <= n; i++) line = line sprintf("%-" width[i] "s  ", f[i])
      print line
    }
  }' "$goals"

total=$(wc -l <"$goals")
missed=$(awk -F'\t' '$7 != "met"' "$goals" | wc -l)
echo
echo "$total goals, $((total - missed)) met, $missed missed"
[ ${#silent[@]} -eq 0 ] || echo "no GOAL line from: ${silent[*]}"
[ ${#failed[@]} -eq 0 ] || echo "failed: ${failed[*]}"
[ ${#failed[@]} -eq 0 ]
