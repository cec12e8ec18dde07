#!/usr/bin/env bash
# Builds Lumidraft and runs every test twice: once in a plain build with warnings on, once built
# with AddressSanitizer and UndefinedBehaviorSanitizer. Then the Windows build: cross-compiled with
# mingw-w64, its tests run under wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh
jobs=$(nproc)

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"

run() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  ctest --test-dir "$dir" -j "$jobs" --output-on-failure
}

run build
run build-asan -DLUMIDRAFT_SANITIZE=address,undefined -DLUMIDRAFT_BUILD_BENCH=OFF
bash scripts/test-windows.sh
