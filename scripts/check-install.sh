#!/usr/bin/env bash
# Checks Tessel as a library, as a game maker would use it: installs a build
# into a temporary prefix, builds the starter game outside the tree against
# that prefix (through find_package and through pkg-config), runs it headless
# and looks at its screenshot; runs the installed tools; then checks that
# `cpack -G DEB` gives a package with the same files. Does the same for a
# build with shared libraries, which it configures and builds itself.
#   TESSEL_BUILD_DIR         the static build to check (default: build; built when missing)
#   TESSEL_SHARED_BUILD_DIR  the shared build (default: build-shared)
set -euo pipefail
cd "$(dirname "$0")/.."
static_build="${TESSEL_BUILD_DIR:-build}"
shared_build="${TESSEL_SHARED_BUILD_DIR:-build-shared}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "check-install: $*" >&2
  exit 1
}

# Builds what the install needs in $1 (configured with $2...), installs it
# into $work/$1-prefix and plays the starter against it.
check_build() {
  local build=$1
  shift
  [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -DTESSEL_BUILD_BENCH=OFF "$@"
  cmake --build "$build" -j"$(nproc)" --target tessel tessel_platform gfxfont tsimage
  local name prefix
  name=$(basename "$build")
  prefix="$work/$name-prefix"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  for header in engine/scene/TSRenderTree.h platform/Windows.h engine/image/TSImageManager.h; do
    [ -f "$prefix/include/tessel/$header" ] || fail "$name: $header is not installed"
  done
  for file in lib/cmake/Tessel/TesselConfig.cmake lib/cmake/Tessel/TesselConfigVersion.cmake \
    lib/pkgconfig/tessel.pc share/doc/Tessel/THIRD_PARTY_NOTICES.txt; do
    [ -f "$prefix/$file" ] || fail "$name: $file is not installed"
  done
  # The installed tools run from the prefix alone (shared: through their RPATH).
  "$prefix/bin/tsimage" info examples/starter/sprite.png | grep "alpha: yes" >/dev/null || fail "$name: tsimage"
  { "$prefix/bin/gfxfont" 2>&1 || true; } | grep usage >/dev/null || fail "$name: gfxfont"

  # The starter, copied out of the tree so that nothing but the prefix serves it.
  cp -r examples/starter "$work/$name-starter"
  local game="$work/$name-game"
  cmake -S "$work/$name-starter" -B "$game" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
  cmake --build "$game" -j"$(nproc)"
  (cd "$game" && ./starter --headless --frames 20 --screenshot shot.png)
  "$prefix/bin/tsimage" info "$game/shot.png" | grep "width: 320" >/dev/null || fail "$name: no 320 x 240 screenshot"
  # The same game through pkg-config alone.
  # shellcheck disable=SC2046
  c++ -o "$game/starter-pc" "$work/$name-starter/main.cpp" "$work/$name-starter/StarterGame.cpp" \
    $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs tessel) -Wl,-rpath,"$prefix/lib"
  (cd "$game" && ./starter-pc --headless --frames 5 --screenshot pc.bmp && [ -s pc.bmp ]) || fail "$name: pkg-config build"
  echo "check-install: $name installs, and the starter builds and runs against it"
}

check_build "$static_build"
check_build "$shared_build" -DBUILD_SHARED_LIBS=ON -DTESSEL_BUILD_TESTS=OFF
[ -f "$work/$(basename "$shared_build")-prefix/lib/libtessel.so" ] || fail "the shared build installs no libtessel.so"

# The Debian package holds the files the install gives, under /usr.
(cd "$static_build" && cpack -G DEB -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/*.deb)
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./usr/||' | sort >"$work/deb.txt"
(cd "$work/$(basename "$static_build")-prefix" && find . -type f -o -type l | sed 's|^\./||' | sort) >"$work/install.txt"
diff -u "$work/install.txt" "$work/deb.txt" || fail "the Debian package differs from the install"
echo "check-install: $(basename "$deb") holds the installed files; it depends on: $(dpkg-deb -f "$deb" Depends)"
