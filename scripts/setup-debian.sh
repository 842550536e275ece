#!/usr/bin/env bash
# Installs what Velmo needs to build, test and run on Debian 12, skipping what is there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config python3
  libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  fonts-noto-cjk fonts-ipafont-gothic
  clang libclang-rt-14-dev clang-format
  g++-multilib
  lrzsz xvfb xauth imagemagick xdotool ibus ibus-anthy
  dosbox socat mtools dosfstools libunicorn-dev dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
