#!/usr/bin/env bash
# ./build.sh start  installs what is missing, builds and starts Velmora
# ./build.sh test   installs what is missing, builds and runs every test
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-start}
build_dir=${VELMORA_BUILD_DIR:-build}

scripts/install-dependencies.sh

cmake_options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
[[ "${CI:-}" == "true" ]] && cmake_options+=(-DVELMORA_WERROR=ON)
cmake -S . -B "$build_dir" "${cmake_options[@]}" >/dev/null
cmake --build "$build_dir" --parallel

case "$action" in
  start)
    if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]]; then
      echo "No display found: run Velmora from a desktop session, or try 'xvfb-run -a $build_dir/velmora'." >&2
      exit 1
    fi
    exec "$build_dir/velmora"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
    if [[ -x scripts/extra-checks.sh ]]; then scripts/extra-checks.sh "$build_dir"; fi
    ;;
  *)
    echo "usage: $0 start|test" >&2
    exit 2
    ;;
esac
