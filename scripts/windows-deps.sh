#!/usr/bin/env bash
# Builds the libraries the Windows build links that Debian does not ship for
# MinGW-w64: libpng and libjpeg-turbo from Debian's own source packages, and
# GoogleTest from the sources libgtest-dev installs. Everything lands in one
# cached folder (default build-windows/deps) and is rebuilt only when the
# source version changes.
#   $1  the cache folder
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
deps="$(mkdir -p "${1:-build-windows/deps}" && cd "${1:-build-windows/deps}" && pwd)"
prefix="$deps/prefix"
toolchain="$repo/cmake/mingw-w64-x86_64.cmake"
jobs="${TESSEL_JOBS:-$(nproc)}"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

# apt-get source needs a deb-src entry for the archive the machine already
# installs from; one is added beside each Debian deb entry when none exists.
ensure_deb_src() {
  # Read whole first: grep -q would close the pipe early and fail the check under pipefail.
  local known
  known="$(apt-cache showsrc libpng1.6 2>/dev/null || true)"
  if grep -q '^Package:' <<<"$known"; then return; fi
  local list=/etc/apt/sources.list.d/tessel-deb-src
  # Written afresh from the machine's own entries, never from an earlier copy.
  $sudo rm -f "$list.sources" "$list.list"
  local added=0
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -e "$file" ] || continue
    grep -q 'debian' "$file" || continue
    sed -e 's/^Types:.*\bdeb\b.*$/Types: deb-src/' "$file" | $sudo tee -a "$list.sources" >/dev/null
    printf '\n' | $sudo tee -a "$list.sources" >/dev/null
    added=1
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$file" ] || continue
    grep -E '^deb [^#]*debian' "$file" | sed 's/^deb /deb-src /' | $sudo tee -a "$list.list" >/dev/null || true
    [ -s "$list.list" ] && added=1
  done
  if [ "$added" -eq 0 ]; then
    echo "No Debian archive found in apt's sources: add a deb-src line for it and run again." >&2
    exit 1
  fi
  $sudo apt-get update -qq
}

# Fetches and unpacks a source package (with Debian's patches applied) into
# $deps/src and prints the folder.
fetch_source() {
  local package="$1"
  local version
  version="$(apt-cache showsrc "$package" | awk '/^Version:/ {print $2; exit}')"
  local upstream="${version#*:}"
  upstream="${upstream%-*}"
  local dir="$deps/src/$package-$upstream"
  if [ ! -d "$dir" ]; then
    mkdir -p "$deps/src"
    (cd "$deps/src" && apt-get source -qq "$package=$version" >/dev/null 2>&1) || {
      echo "apt-get source $package failed; is dpkg-dev installed and a deb-src entry present?" >&2
      exit 1
    }
  fi
  echo "$dir"
}

# Configures, builds and installs one CMake project into the prefix, unless
# the stamp says this version is already there.
build_one() {
  local name="$1" source="$2" stamp="$prefix/.stamp-$1"
  shift 2
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$source" ]; then return; fi
  echo "Building $name for Windows from $source"
  rm -rf "$deps/build/$name"
  cmake -S "$source" -B "$deps/build/$name" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" >"$deps/build-$name.log" 2>&1 ||
    { cat "$deps/build-$name.log" >&2; exit 1; }
  cmake --build "$deps/build/$name" -j"$jobs" --target install >>"$deps/build-$name.log" 2>&1 ||
    { tail -40 "$deps/build-$name.log" >&2; exit 1; }
  echo "$source" >"$stamp"
}

mkdir -p "$prefix"
ensure_deb_src
png="$(fetch_source libpng1.6)"
jpeg="$(fetch_source libjpeg-turbo)"

build_one libpng "$png" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
# No SIMD: it needs an assembler the build does not otherwise need.
build_one libjpeg-turbo "$jpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
build_one googletest /usr/src/googletest -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
