#!/bin/sh
# The Debian package, read rather than installed: its dependencies, where its files stand, and its
# menu entry.
# Usage: package.sh BUILD_DIR
build=$1
. "$(dirname "$0")/common.sh"
# The package is for the system's own libraries, whatever a test run has put first.
env -u LD_LIBRARY_PATH cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail cpack; }
deb=$(ls "$work"/gorubadon_*_*.deb)

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsdl1.2debian libsdl-image1.2 libsdl-ttf2.0-0 libsdl-mixer1.2 libsdl-gfx1.2-5; do
    echo "$depends" | tr ',' '\n' | grep -q "^ *$lib\b" || fail "Depends lacks $lib: $depends"
done
for field in Maintainer Description Section; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "no $field"
done

dpkg-deb -c "$deb" | awk '{ print $2, $6 }' >"$work/contents"
! grep -v '^root/root \./usr/' "$work/contents" || fail "files outside /usr or not root's"
for f in bin/gorubadon lib/games/gorubadon/gorubadon share/gorubadon/data/images/bg.jpg \
    share/gorubadon/data/fonts/aqua2_8/aquafont.ttf share/applications/gorubadon.desktop \
    share/icons/hicolor/32x32/apps/gorubadon.png share/man/man6/gorubadon.6.gz \
    share/doc/gorubadon/copyright; do
    grep -qx "root/root \./usr/$f" "$work/contents" || fail "no /usr/$f"
done

dpkg-deb -x "$deb" "$work/root"
entry=$work/root/usr/share/applications/gorubadon.desktop
desktop-file-validate "$entry" || fail "desktop entry"
grep -qx 'Exec=/usr/bin/gorubadon' "$entry" || fail "desktop entry: $(grep Exec "$entry")"
echo ok
