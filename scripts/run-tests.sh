#!/usr/bin/env bash
# Installs what is missing, builds Tessel, Qarn, the tools and the tests, and
# runs the whole test suite.
#   TESSEL_BUILD_DIR   build folder (default: build)
#   TESSEL_CMAKE_ARGS  extra CMake arguments (e.g. -DTESSEL_SANITIZE=ON)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build="${TESSEL_BUILD_DIR:-build}"
# shellcheck disable=SC2086
cmake -S . -B "$build" -DTESSEL_BUILD_TESTS=ON ${TESSEL_CMAKE_ARGS:-}
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" -j"$(nproc)" --output-on-failure
