#!/bin/sh
# The Debian package as make package builds it, read rather than installed: its fields, where its
# files stand, its menu entry and manual page; lintian and AppStream's validator where installed.
# Usage: package.sh BUILD_DIR [WEB_ENGINE]   (make web's engine folder, else a stand-in: the
# package test does not build the web engine again)
build=$1
data=$(cd "$(dirname "$0")/../.." && pwd)/data
. "$(dirname "$0")/common.sh"
engine=$(web_engine "${2:-}")
# A build of its own, kept for the next run of the suite.
maintainer="Ann Packer <ann@example.org>"
JOBS=2 sh "$(dirname "$0")/../../tools/package.sh" "$build/package-test" "$maintainer" "$engine" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log" >&2; fail "make package"; }
deb=$(ls "$build"/package-test/gorubadon_*_*.deb)

depends=$(dpkg-deb -f "$deb" Depends)
for dep in libsdl1.2debian libsdl-image1.2 libsdl-ttf2.0-0 libsdl-mixer1.2 libsdl-gfx1.2-5 fonts-vlgothic; do
    echo "$depends" | tr ',' '\n' | grep -q "^ *$dep\b" || fail "Depends lacks $dep: $depends"
done
[ "$(dpkg-deb -f "$deb" Maintainer)" = "$maintainer" ] || fail "Maintainer: $(dpkg-deb -f "$deb" Maintainer)"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "Section: $(dpkg-deb -f "$deb" Section)"

dpkg-deb -c "$deb" | awk '{ print $2, $6 }' >"$work/contents"
! grep -v '^root/root \./usr/' "$work/contents" || fail "files outside /usr or not root's"
for f in games/gorubadon lib/games/gorubadon/gorubadon share/games/gorubadon/data/images/bg.jpg \
    share/applications/gorubadon.desktop share/metainfo/org.gorubadon.gorubadon.metainfo.xml \
    share/man/man6/gorubadon.6.gz share/doc/gorubadon/copyright share/doc/gorubadon/changelog.gz \
    games/gorubadon-story share/man/man6/gorubadon-story.6.gz; do
    grep -qx "root/root \./usr/$f" "$work/contents" || fail "no /usr/$f"
done
# The web engine, whole, which the installed gorubadon-story publishes with.
for f in $(ls "$engine"); do
    grep -qx "root/root \./usr/share/games/gorubadon/web/$f" "$work/contents" || fail "no web engine's $f"
done

dpkg-deb -x "$deb" "$work/root"
usr=$work/root/usr
[ "$(readlink -m "/usr/share/games/gorubadon/data/fonts/aqua2_8/$(readlink "$usr/share/games/gorubadon/data/fonts/aqua2_8/aquafont.ttf")")" = \
    /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf ] || fail "the font is not fonts-vlgothic's"
for size in 16 32 48 64 128 256; do
    [ "$(identify -format %wx%h "$usr/share/icons/hicolor/${size}x$size/apps/gorubadon.png")" = "${size}x$size" ] ||
        fail "no ${size} px icon"
done
entry=$usr/share/applications/gorubadon.desktop
desktop-file-validate "$entry" || fail "desktop entry"
grep -qx 'Exec=/usr/games/gorubadon' "$entry" || fail "desktop entry: $(grep Exec "$entry")"
zcat "$usr/share/man/man6/gorubadon.6.gz" >"$work/man"
! grep PREFIX "$work/man" && grep -qx '\.I \\&/usr/share/games/gorubadon/data/' "$work/man" || fail "manual page paths"
zcat "$usr/share/doc/gorubadon/changelog.gz" | grep -q "^ -- $maintainer  " || fail "changelog not signed"

if command -v lintian >/dev/null; then
    lintian --pedantic -E --fail-on error,warning,info,pedantic,experimental "$deb" >&2 || fail lintian
fi
if command -v appstreamcli >/dev/null; then
    # Errors and warnings only: Debian 12's validator does not know the developer tag that later
    # ones miss when it is absent, and each says so as a mere info.
    appstreamcli validate-tree --no-net --pedantic "$work/root" >"$work/appstream" 2>&1 &&
        ! grep '^ *[EW]:' "$work/appstream" || { cat "$work/appstream" >&2; fail appstream; }
fi
echo ok
