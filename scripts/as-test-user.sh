#!/usr/bin/env bash
# Runs a test command as an unprivileged account when started as root (CI is),
# so that permission cases behave as on a user's machine and a faulty test
# cannot reach system files. Started by anybody else, it runs the command as is.
#
#   scripts/as-test-user.sh [--read FOLDER]... [--write FOLDER]... [--] command...
#
# The account (velmora-test, a system user without login) is created the
# first time. It is given read access to the source tree and every --read
# folder, and ownership of every --write folder; its home is a fresh temporary
# folder, removed afterwards.
set -euo pipefail

readable=("$(cd "$(dirname "$0")/.." && pwd -P)")
writable=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --read) readable+=("$(cd "$2" && pwd -P)"); shift 2 ;;
    --write) writable+=("$2"); shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[[ $# -gt 0 ]] || { echo "usage: $0 [--read FOLDER]... [--write FOLDER]... command..." >&2; exit 2; }

if [[ $(id -u) -ne 0 ]]; then exec "$@"; fi

user=velmora-test
if ! id -u "$user" >/dev/null 2>&1; then
  useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"
fi
as_user=(setpriv --reuid="$user" --regid="$user" --clear-groups --no-new-privs)

# A clone may live in a folder only root can enter (/root is mode 700). The
# account gets through such folders by an ACL entry of its own, so nothing
# becomes open to every user, and nothing is made writable.
grant_read() {
  local folder=$1 path="" parts part
  IFS=/ read -ra parts <<<"${folder#/}"
  for part in "${parts[@]}"; do
    path+="/$part"
    "${as_user[@]}" test -x "$path" || setfacl -m "u:$user:x" "$path"
  done
  # Only a tree written with a strict umask has parts the account cannot read.
  if [[ -n $(find "$folder" \( ! -perm -o=r -o \( -type d ! -perm -o=x \) \) -print -quit) ]]; then
    setfacl -R -m "u:$user:rX" "$folder"
  fi
}
for folder in "${readable[@]}"; do grant_read "$folder"; done
for folder in "${writable[@]}"; do
  mkdir -p "$folder"
  chown -R "$user:" "$folder"
done

home=$(mktemp -d /tmp/velmora-test-home.XXXXXX)
trap 'rm -rf -- "$home"' EXIT
mkdir "$home/tmp"
mkdir -m 700 "$home/runtime"
chown -R "$user:" "$home"

set +e
"${as_user[@]}" env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME XDG_RUNTIME_DIR="$home/runtime" \
  HOME="$home" TMPDIR="$home/tmp" USER="$user" LOGNAME="$user" "$@"
status=$?
set -e
exit "$status"
