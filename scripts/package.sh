#!/usr/bin/env bash
# Builds the Debian package into the given folder (default build-deb).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build-deb}
ccache_option=()
command -v ccache >/dev/null && ccache_option=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DVELMORA_BUILD_TESTS=OFF "${ccache_option[@]}" >/dev/null
cmake --build "$out"
(cd "$out" && cpack -G DEB >/dev/null)
ls "$out"/velmora_*.deb
