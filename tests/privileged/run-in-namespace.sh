#!/bin/sh
# Runs the helper's root-only tests where a fault cannot reach the machine: in
# a private mount namespace with an empty tmpfs over every folder the helper
# could remove from, and the rest of / read-only. Not root, or without mount
# namespaces, the tests run as they are and skip every case, saying why.
#
#   run-in-namespace.sh HELPER TESTS [test arguments...]
set -eu
helper=$1
tests=$2
shift 2

if [ "$(id -u)" -ne 0 ]; then
    exec "$tests" "$@"
fi
if [ "${VELMORA_NAMESPACE_READY:-}" != 1 ]; then
    if ! unshare --mount --propagation private true 2>/dev/null; then
        echo "run-in-namespace.sh: no private mount namespace can be made here"
        exec "$tests" "$@"
    fi
    exec env VELMORA_NAMESPACE_READY=1 unshare --mount --propagation private sh "$0" "$helper" "$tests" "$@"
fi

# The binaries must stay reachable once the build folder is covered; the
# fresh /run holds them.
mount -t tmpfs -o mode=0755 tmpfs /run
mkdir /run/velmora-bin
cp "$helper" "$tests" /run/velmora-bin/
mount -t tmpfs -o mode=1777 tmpfs /tmp
for folder in /etc /var /usr/local /home /root /opt /srv /boot /media /work /sys; do
    if [ -d "$folder" ]; then
        mount -t tmpfs -o mode=0755 tmpfs "$folder"
    fi
done
# /dev is shared with the machine; the helper needs only /dev/null of it.
mount -t tmpfs -o mode=0755 tmpfs /dev
mknod -m 0666 /dev/null c 1 3
mount -o remount,bind,ro /

exec env VELMORA_PRIVILEGED_HELPER="/run/velmora-bin/$(basename "$helper")" \
    "/run/velmora-bin/$(basename "$tests")" "$@"
