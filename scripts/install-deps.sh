#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running the demo need, or the
# packages named on the command line (the fuzz and Windows scripts name their own).
# Does nothing when they are all present already.
#   scripts/install-deps.sh [package...]
set -euo pipefail
packages=("$@")
[ ${#packages[@]} -gt 0 ] || packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libeigen3-dev
  libsdl2-dev libpng-dev libjpeg62-turbo-dev libgl-dev libgl1-mesa-dri libegl-dev libegl-mesa0 libglx-mesa0
  xvfb xauth xdotool x11-utils x11-apps xfonts-base imagemagick
  clang-14 libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
