#!/usr/bin/env bash
# Retakes the pictures in docs/screenshots/: builds the screenshot program if
# needed and runs it on a virtual display, in a throw-away home folder.
#   scripts/screenshots.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-${VELMORA_BUILD_DIR:-build}}

scripts/install-dependencies.sh

if [[ ! -f "$build_dir/build.ninja" ]]; then
  cmake_options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_TESTS=ON)
  command -v ccache >/dev/null && cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build_dir" "${cmake_options[@]}" >/dev/null
fi
cmake --build "$build_dir" --target velmora_screenshots

# A fixed screen depth and scale, so that pictures retaken elsewhere match.
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 QT_AUTO_SCREEN_SCALE_FACTOR=0 \
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
  "$build_dir/tools/screenshots/velmora_screenshots" docs/screenshots
