#!/bin/sh
# Unpacks a Debian source package (with Debian's patches) into DEST, from bookworm's mirror through
# an apt configuration of its own: the system's sources are never read or changed. Bookworm's,
# whatever the system runs, so that the browser build has the classic SDL 1.2 the desktop frames
# are compared with, and the same bytes on every release.
# Usage: fetch-source.sh PACKAGE DEST
set -eu
package=$1 dest=$2
[ -d "$dest" ] && exit 0
cache=$(dirname "$dest")/apt
mkdir -p "$cache/lists/partial" "$cache/archives/partial" "$(dirname "$dest")"
cat >"$cache/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
apt() {
    apt-get -q -o Dir::Etc::SourceList="$cache/sources.list" -o Dir::Etc::SourceParts=/dev/null \
        -o Dir::State::Lists="$cache/lists" -o Dir::Cache="$cache" \
        -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)" "$@"
}
# A day-old index is fresh enough; a missing one is fetched.
if [ -z "$(find "$cache/lists" -name '*Sources*' -mtime -1 2>/dev/null | head -n 1)" ]; then
    apt update >/dev/null
fi
work=$(mktemp -d "$dest.XXXXXX")
(cd "$work" && apt source --only-source "$package" >/dev/null 2>&1) ||
    { echo "fetch-source.sh: apt-get source $package failed" >&2; rm -rf "$work"; exit 1; }
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d | head -n 1)
mv "$src" "$dest"
rm -rf "$work"
