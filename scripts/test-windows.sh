#!/usr/bin/env bash
# Cross-builds Lumidraft for 64-bit Windows with mingw-w64 and runs the Windows tests under wine on
# a private virtual X display: every test program of the cross build (ctest), then the demo's
# end-to-end tests. A release build without debug information keeps it quick.
# Usage: scripts/test-windows.sh [build-dir]   (default build-win32)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build-win32}

# Debian 12 packages: the cross compiler, GoogleTest's sources, wine with the Mesa OpenGL it draws
# through, and the X tools the end-to-end tests drive the programs with.
packages=(cmake g++-mingw-w64-x86-64 googletest wine wine64 libgl1-mesa-dri libglx-mesa0
  xvfb xauth xdotool x11-utils imagemagick)
bash scripts/install-deps.sh "${packages[@]}"

jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DLUMIDRAFT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"

# A throw-away wine prefix and X display, both gone when the script ends.
WINEPREFIX=$(mktemp -d /tmp/lumidraft-wine.XXXXXX)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb_pid=$!
cleanup() {
  timeout 20 wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$WINEPREFIX" "$fifo"
}
trap cleanup EXIT
read -r -t 20 display <"$fifo"
export DISPLAY=":$display"

# One wine server for the whole run, instead of one started anew for each test program.
wineserver -p
timeout 300 wineboot -u >/dev/null 2>&1 || echo "wineboot -u ended with $?; the tests will show what is missing"
# Without a window manager, wine waits 2 s in DestroyWindow for each managed window.
timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1

# The test programs, then (one at a time, on this display) the win32 backend's tests and the
# end-to-end runs of tests/e2e/windows_e2e.sh.
ctest --test-dir "$build" -j "$jobs" --output-on-failure --timeout 300
