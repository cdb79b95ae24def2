#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-webengine-dev qt6-multimedia-dev
  qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev libgl-dev
  libudev-dev nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libfftw3-dev libkissfft-dev
  clang clang-format libclang-rt-14-dev llvm
  xvfb xauth x11-apps imagemagick fonts-dejavu-core poppler-utils xdotool

)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
