#!/usr/bin/env bash
# Builds Lumidraft and runs every test twice: once in a plain build with warnings on, once built
# with AddressSanitizer and UndefinedBehaviorSanitizer. The sanitized tests run a second time with
# Mesa's renderer on one thread (the default is one per core), since teardown and leak faults
# can depend on the renderer's thread count. Then the Windows build: cross-compiled with
# mingw-w64, its tests run under wine (scripts/test-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
lumidraft_root=$PWD
bash scripts/install-deps.sh
jobs=$(nproc)

source scripts/sanitizer_env.sh

build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
check() {
  ctest --test-dir "$1" -j "$jobs" --output-on-failure
}

build build
check build
build build-asan -DLUMIDRAFT_SANITIZE=address,undefined -DLUMIDRAFT_BUILD_BENCH=OFF
check build-asan
echo "Sanitized tests again with LP_NUM_THREADS=1"
LP_NUM_THREADS=1 check build-asan
bash scripts/test-windows.sh
