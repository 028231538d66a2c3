#!/usr/bin/env bash
# Cross-builds Tessel for 64-bit Windows into build-windows/ with Debian's
# MinGW-w64, installing what is missing with apt-get. The libraries Debian
# does not ship for MinGW-w64 are built from its source packages once and
# kept in build-windows/deps. Wine runs the tools that make Qarn's data
# (logogen, gfxfont) at build time, and the tests, with its prefix in
# build-windows/wine.
# With --i686 it also compiles the engine, the platform layer and Qarn's game
# code for 32-bit Windows into build-windows-i686/, without linking (there are
# no 32-bit libpng and libjpeg to link with; their headers serve as they are).
#   TESSEL_CMAKE_ARGS  extra CMake arguments
#   TESSEL_JOBS        parallel jobs (default: the number of processors)
set -euo pipefail
cd "$(dirname "$0")/.."
i686=0
[ "${1:-}" = --i686 ] && i686=1

packages=(
  cmake dpkg-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev
  # Sources of GoogleTest, built for Windows with the same compiler.
  libgtest-dev
  # Runs the Windows tools during the build and the tests after it.
  wine64
  # The glyphs of Qarn's and the starter game's fonts.
  unifont
)
[ "$i686" = 1 ] && packages+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686)
scripts/install-packages.sh --no-install-recommends "${packages[@]}"
command -v x86_64-w64-mingw32-g++-posix >/dev/null ||
  { echo "x86_64-w64-mingw32-g++-posix not found: install g++-mingw-w64-x86-64-posix." >&2; exit 1; }

wine=/usr/lib/wine/wine64
[ -x "$wine" ] || { echo "$wine not found: install wine64." >&2; exit 1; }

build=build-windows
jobs="${TESSEL_JOBS:-$(nproc)}"
TESSEL_JOBS="$jobs" scripts/windows-deps.sh "$build/deps"

# Wine's prefix, made once before the build's first Windows program runs, so
# that parallel runs do not race to make it.
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -i >/dev/null 2>&1 || true

# shellcheck disable=SC2086
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_FIND_ROOT_PATH="$PWD/$build/deps/prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSEL_BUILD_BENCH=OFF \
  "-DCMAKE_CROSSCOMPILING_EMULATOR=env;WINEPREFIX=$WINEPREFIX;WINEDEBUG=-all;$wine" ${TESSEL_CMAKE_ARGS:-}
cmake --build "$build" -j"$jobs"

if [ "$i686" = 1 ]; then
  # shellcheck disable=SC2086
  cmake -S . -B "$build-i686" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DCMAKE_FIND_ROOT_PATH="$PWD/$build/deps/prefix" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSEL_BUILD_TESTS=OFF -DTESSEL_BUILD_BENCH=OFF ${TESSEL_CMAKE_ARGS:-}
  cmake --build "$build-i686" -j"$jobs" --target tessel tessel_platform qarn_app
fi
