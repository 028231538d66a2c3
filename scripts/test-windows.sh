#!/usr/bin/env bash
# Runs the Windows build's test suites under Debian's Wine, each binary whole
# in one process (a Wine process is slow to start). Builds build-windows/ first
# with scripts/build-windows.sh when it has no tests yet; installs wine64 with
# apt-get when it is missing, and xvfb when there is no display. Wine keeps its prefix in build-windows/wine.
#   extra arguments go to ctest (for example -R io_tests)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-windows
wine=/usr/lib/wine/wine64
missing=()
[ -x "$wine" ] || missing+=(wine64)
[ -n "${DISPLAY:-}" ] || command -v xvfb-run >/dev/null || missing+=(xvfb xauth)
if [ ${#missing[@]} -ne 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
[ -x "$wine" ] || { echo "$wine not found: install wine64." >&2; exit 1; }

[ -f "$build/CTestTestfile.cmake" ] || scripts/build-windows.sh
# The test binaries run through Wine wherever CMake names them.
cmake "$build" -DCMAKE_CROSSCOMPILING_EMULATOR="$wine" >/dev/null
cmake --build "$build" -j"${TESSEL_JOBS:-$(nproc)}"

export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all
# The first run makes the prefix; later runs find it made.
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1 || true
# The windows are never shown, but Wine's DirectDraw (which the GDI device
# opens) needs a display: without one, a virtual X server serves.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
"${display[@]}" ctest --test-dir "$build" --output-on-failure "$@"
