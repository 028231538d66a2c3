#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for
# a number of inputs; stops at the first crash or sanitizer report.
#   scripts/fuzz.sh [RUNS]     RUNS per target, default 1000000
#   TESSEL_FUZZ_BUILD_DIR      build folder (default: build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."

# The fuzz targets; a new one is added here and in fuzz/CMakeLists.txt.
targets=(ini_file_fuzz dib_bmp_fuzz dib_gif_fuzz dib_jpeg_fuzz dib_png_fuzz dib_ico_fuzz dib_tga_fuzz dib_pcx_fuzz dib_wbmp_fuzz dib_wmf_fuzz dib_detect_fuzz point_font_fuzz)

runs="${1:-1000000}"
build="${TESSEL_FUZZ_BUILD_DIR:-build-fuzz}"

scripts/install-deps.sh
# clang and its sanitizer and libFuzzer runtimes are needed here only.
scripts/install-packages.sh clang libclang-rt-14-dev

cmake -S . -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSEL_BUILD_FUZZ=ON -DTESSEL_BUILD_TESTS=OFF -DTESSEL_BUILD_BENCH=OFF
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: $runs runs"
  seeds=()
  [ -d "fuzz/seeds/$target" ] && seeds=("fuzz/seeds/$target")
  "$build/fuzz/$target" -runs="$runs" -print_final_stats=1 "$corpus" "${seeds[@]}"
done
echo "All fuzz targets ran $runs inputs without a failure."
