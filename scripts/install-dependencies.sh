#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, test and run.
# Idempotent: prints nothing and changes nothing when all are present.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-svg-dev libgl-dev qt6-translations-l10n
  libplist-dev libplist++-dev
  libsqlite3-dev
  libgtest-dev libgmock-dev
  pkexec acl
  dbus-daemon
  xvfb xauth
  clang libclang-rt-14-dev appstream desktop-file-utils dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Please run as root or install sudo: missing ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
