#!/bin/sh
# Installs the Debian packages the build, the game and the tests need, and only when one is missing,
# so that a second run costs nothing. The X headers build tools/measure/'s probe, which the tests run
# once too; with "measure", also Python for its summary; with "story-map", Graphviz and a Japanese
# font to draw the story. sdl12-compat is there for the tests and to measure on; lintian and
# appstream check the package.
set -eu

packages="cmake make g++ clang pkg-config
  libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev libsdl-gfx1.2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libclang-rt-14-dev
  libsdl1.2-compat
  xvfb xdotool x11-utils x11-xserver-utils x11-xkb-utils imagemagick valgrind strace inotify-tools
  g++-mingw-w64-x86-64 dpkg-dev file desktop-file-utils libx11-dev libxdamage-dev libxtst-dev
  git lintian appstream fonts-vlgothic"
if [ "${1:-}" = measure ]; then
    packages="$packages python3"
fi
if [ "${1:-}" = story-map ]; then
    packages="$packages graphviz fonts-vlgothic"
fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
