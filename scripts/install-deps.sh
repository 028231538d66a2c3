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

"$(dirname "$0")/install-packages.sh" "${packages[@]}"
