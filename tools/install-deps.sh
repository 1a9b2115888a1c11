#!/bin/sh
# Installs the Debian packages a target needs, and only when one is missing, so that a second run
# costs one dpkg query.
# Usage: install-deps.sh [run|test|measure|story-map|web]   (default: test)
#   run      building and running the game
#   test     the tests too: both compilers, GoogleTest, Xvfb and the tools the process tests drive,
#            the Windows cross compiler, the package's checks (lintian, appstream, git for fresh
#            clones, the font it depends on), Python for the tests and make measure's summary,
#            gdb to hold a signal, the X headers of tools/measure/'s probe, which the tests run
#            once, and sdl12-compat (beside classic SDL 1.2 on Debian 12, where the tests run
#            once more over it; later, the SDL 1.2)
#   measure  the tests' list
#   story-map  the game's list, Graphviz and a Japanese font to draw the story
#   web      the browser build: emscripten, Node, Chromium to test it, dpkg-dev to unpack the
#            source packages of SDL 1.2 and FreeType, and ImageMagick to scale the page's icons
#            (make install and make package build it too, for gorubadon-story publish)
set -eu
target=${1:-test}

run="cmake make g++ pkg-config
  libsdl1.2-dev libsdl-image1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev libsdl-gfx1.2-dev"
web="cmake make pkg-config emscripten nodejs chromium dpkg-dev imagemagick"
test="$run $web clang libclang-rt-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils x11-xserver-utils x11-xkb-utils imagemagick valgrind strace inotify-tools
  g++-mingw-w64-x86-64 dpkg-dev file desktop-file-utils libx11-dev libxdamage-dev libxtst-dev
  git lintian appstream fonts-vlgothic python3 gdb libsdl1.2-compat"
case $target in
run) packages=$run ;;
test | measure) packages=$test ;;
story-map) packages="$run graphviz fonts-vlgothic" ;;
web) packages=$web ;;
*)
    echo "usage: install-deps.sh [run|test|measure|story-map|web]" >&2
    exit 2
    ;;
esac

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    cat >&2 <<'EOF'
install-deps.sh installs Debian packages with apt-get, which this system does not have.
Install these with your package manager (names not tested here; see the README), then run make
again with DEPS=no:
  Fedora:   gcc-c++ cmake make pkgconf-pkg-config sdl12-compat-devel SDL_image-devel
            SDL_ttf-devel SDL_mixer-devel SDL_gfx-devel gtest-devel gmock-devel
  Arch:     gcc cmake make pkgconf sdl12-compat sdl_image sdl_ttf sdl_mixer sdl_gfx gtest
  openSUSE: gcc-c++ cmake make pkgconf-pkg-config sdl12_compat-devel libSDL_image-devel
            libSDL_ttf-devel libSDL_mixer-devel libSDL_gfx-devel gtest gmock
EOF
    exit 1
fi

# One query for all, the source of libsdl1.2-dev along, so that a warm run needs nothing else.
# shellcheck disable=SC2086
status=$(dpkg-query -W -f='${Package} ${Status} ${Source}\n' $packages 2>/dev/null || true)
names=" $(echo "$status" | sed -n 's/^\([^ ]*\) install ok installed.*/\1/p' | tr '\n' ' ') "
missing=""
for p in $packages; do
    case $names in *" $p "*) ;; *) missing="$missing $p" ;; esac
done
# sdl12-compat beside the SDL 1.2 is wanted only where that is the classic one (Debian 12), for the
# tests' second run; later releases have sdl12-compat as their SDL 1.2, and testing no package of
# that name. Usage: unless_classic SOURCE_PACKAGE_OF_LIBSDL1.2-DEV
unless_classic() { [ "$1" = libsdl1.2 ] || missing=$(echo "$missing" | sed 's/ libsdl1.2-compat\b//'); }
sdl=$(echo "$status" | sed -n 's/^libsdl1.2-dev install ok installed *//p')
[ -z "$sdl" ] || unless_classic "$sdl"
[ -n "$missing" ] || exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
[ -n "$sdl" ] ||
    unless_classic "$(apt-cache show --no-all-versions libsdl1.2-dev | sed -n 's/^Source: *\([^ ]*\).*/\1/p')"
[ -n "$missing" ] || exit 0
echo "Installing:$missing"
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
