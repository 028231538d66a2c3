#!/usr/bin/env bash
# Runs the Windows build's test suites under Debian's Wine, each binary whole
# in one process (a Wine process is slow to start), and Qarn's frame tests:
# qarn.exe's frames under Wine against the Linux qarn's. Builds build-windows/
# with scripts/build-windows.sh first (incrementally), and the Linux qarn in
# the Linux build folder when that is configured. Installs with apt-get what
# Wine needs to draw under a virtual X server, and xvfb when there is no
# display. Wine keeps its prefix in build-windows/wine.
#   TESSEL_LINUX_BUILD_DIR  the Linux build folder (default: build)
#   extra arguments go to ctest (for example -R io_tests)
set -euo pipefail
cd "$(dirname "$0")/.."

# X, OpenGL and Mesa's software rasteriser, which Wine's DirectDraw and
# Direct3D 8 draw through; Wine only recommends them.
packages=(libgl1 libgl1-mesa-dri libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1)
[ -n "${DISPLAY:-}" ] || packages+=(xvfb xauth)
scripts/install-packages.sh --no-install-recommends "${packages[@]}"

# The Linux qarn draws the frames qarn.exe's are compared with.
linux="$(realpath -m "${TESSEL_LINUX_BUILD_DIR:-build}")"
if [ -f "$linux/CMakeCache.txt" ]; then
  cmake --build "$linux" -j"${TESSEL_JOBS:-$(nproc)}" --target qarn qarn_data
else
  echo "No Linux build in $linux: Qarn's frame tests are left out (scripts/run-tests.sh makes one)."
fi
TESSEL_CMAKE_ARGS="${TESSEL_CMAKE_ARGS:-} -DTESSEL_LINUX_BUILD_DIR=$linux" scripts/build-windows.sh

build=build-windows
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all
# The windows are never shown, but Wine's DirectDraw (which the GDI device
# opens) and Direct3D 8 need a display: without one, a virtual X server of
# true colour serves.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a -s "-screen 0 1024x768x24")
"${display[@]}" ctest --test-dir "$build" --output-on-failure "$@"
