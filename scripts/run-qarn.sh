#!/usr/bin/env bash
# Installs what is missing, builds Qarn and runs it in its data folder: in a
# window when there is a display, otherwise headless for 300 frames.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build >/dev/null
cmake --build build -j"$(nproc)" --target qarn qarn_data
cd build/data
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  ../app/qarn "$@"
else
  echo "No display: running Qarn headless for 300 frames."
  ../app/qarn --headless --frames 300 --screenshot screenshot.png "$@"
fi
echo "Qarn's log: $(pwd)/QarnLog.txt"
