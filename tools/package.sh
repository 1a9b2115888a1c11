#!/bin/sh
# Builds the Debian package from this checkout: only what it installs, with Debian's hardening
# flags, and the same bytes from every clone of the same commit.
# Usage: package.sh BUILD_DIR MAINTAINER WEB_ENGINE      the .deb in BUILD_DIR
#        package.sh --two-clones MAINTAINER WEB_ENGINE  packages two fresh clones and compares them
# WEB_ENGINE is the web engine folder make web builds (build-web/engine), built once: the package
# carries it for gorubadon-story publish.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
engine=${3:-}
if [ ! -f "$engine/sw.js" ]; then
    echo "package.sh: no web engine in '$engine': make web builds one (build-web/engine)" >&2
    exit 1
fi
engine=$(cd "$engine" && pwd)

if [ "$1" = --two-clones ]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    for clone in one "other place"; do
        git clone -q "$root" "$work/$clone"
        sh "$work/$clone/tools/package.sh" "$work/$clone/build-package" "$2" "$engine" >/dev/null
    done
    set -- "$work"/one/build-package/*.deb
    if ! cmp "$1" "$work/other place/build-package/$(basename "$1")"; then
        ! command -v diffoscope >/dev/null || diffoscope "$1" "$work/other place/build-package/$(basename "$1")"
        exit 1
    fi
    echo "the same .deb from two clones: $(basename "$1") $(sha256sum <"$1" | cut -d' ' -f1)"
    exit 0
fi

build=$1 maintainer=$2
cd "$root"
# Debian's flags, bindnow and PIE included. The build maps the checkout's path itself, which may
# hold a space.
flags() { DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath" dpkg-buildflags --get "$1"; }
# Without a maintainer given, the build keeps its own default.
set --
[ -z "$maintainer" ] || set -- -DGORUBADON_MAINTAINER="$maintainer"
cmake -S . -B "$build" "$@" -DCMAKE_BUILD_TYPE=None -DGORUBADON_PACKAGE=ON -DGORUBADON_TESTS=OFF \
    -DGORUBADON_BENCH=OFF -DGORUBADON_WERROR=OFF -DGORUBADON_WEB_ENGINE="$engine" \
    -DCMAKE_C_FLAGS="$(flags CPPFLAGS) $(flags CFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
cmake --build "$build" -j"${JOBS:-$(nproc)}"
# The package is for the system's own libraries, whatever a test run has put first.
cd "$build" && env -u LD_LIBRARY_PATH -u GORUBADON_WEB_ENGINE cpack -G DEB
