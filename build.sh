#!/usr/bin/env bash
# ./build.sh start  installs what is missing, builds and starts Velmora
# ./build.sh test   installs what is missing, builds and runs every test;
#                   started as root, it runs them as an unprivileged account
#                   (scripts/as-test-user.sh), all but those labelled privileged
set -euo pipefail
cd "$(dirname "$0")"

action=${1:-start}
build_dir=${VELMORA_BUILD_DIR:-build}

scripts/install-dependencies.sh

cmake_options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
command -v ccache >/dev/null && cmake_options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
[[ "${CI:-}" == "true" ]] && cmake_options+=(-DVELMORA_WERROR=ON)
cmake -S . -B "$build_dir" "${cmake_options[@]}" >/dev/null

case "$action" in
  start)
    # The program runs the installed helper, never one from a build folder.
    cmake --build "$build_dir" --parallel --target velmora
    if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]]; then
      echo "No display found: run Velmora from a desktop session, or try 'xvfb-run -a $build_dir/velmora'." >&2
      exit 1
    fi
    exec "$build_dir/velmora"
    ;;
  test)
    cmake --build "$build_dir" --parallel
    export QT_QPA_PLATFORM=offscreen
    # Listing the tests lets their discovery write into the build folder now:
    # the tests themselves may run as an account that cannot write there.
    ctest --test-dir "$build_dir" -N >/dev/null
    scripts/as-test-user.sh --read "$build_dir" --write "$build_dir/Testing" \
      ctest --test-dir "$build_dir" --label-exclude privileged --output-on-failure --parallel "$(nproc)"
    # These need root and make their own mount namespace; as anybody else they skip.
    ctest --test-dir "$build_dir" --label-regex privileged --no-tests=ignore --output-on-failure
    if [[ -x scripts/extra-checks.sh ]]; then scripts/extra-checks.sh "$build_dir"; fi
    ;;
  *)
    echo "usage: $0 start|test" >&2
    exit 2
    ;;
esac
