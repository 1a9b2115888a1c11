#!/bin/sh
# Runs a test program as nobody (as root, permissions hide what such tests look for), from a copy
# in /tmp, since nobody may not reach the build. Unprivileged already, it runs as it is.
# Usage: unprivileged.sh PROGRAM [ARGUMENTS...]
set -eu
[ "$(id -u)" -eq 0 ] || exec "$@"
copy=$(mktemp -d /tmp/gorubadon-unprivileged-XXXXXX)
trap 'rm -rf "$copy"' EXIT
cp "$1" "$copy/test" && chmod 755 "$copy" "$copy/test" && shift
TMPDIR=/tmp setpriv --reuid=nobody --regid=nogroup --clear-groups "$copy/test" "$@"
