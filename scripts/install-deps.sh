#!/usr/bin/env bash
# Installs the Debian 12 packages Tessel needs to build, test and benchmark,
# asking apt only when one is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  libsdl2-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev
  libgtest-dev libbenchmark-dev libpixman-1-dev
  unifont
  # The API reference (the docs target).
  doxygen
  # OpenGL through EGL with Mesa's software rasteriser: the Direct3D 8 device
  # without a display.
  libegl1 libgl1-mesa-dri
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
