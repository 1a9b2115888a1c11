#!/bin/sh
# Remakes everything under data/: the icon and background from tools/make_pictures.py,
# the icon's PNGs for desktop menus from that same BMP,
# and the font with its licence texts from Debian's fonts-vlgothic (the story_check test then finds
# any character of the story a new font lacks).
set -eu

cd "$(dirname "$0")/.."

FONT_PKG=fonts-vlgothic
FONT_SRC=/usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf
FONT_DOC=/usr/share/doc/$FONT_PKG
FONT_DIR=data/fonts/aqua2_8

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

rm -rf data/images "$FONT_DIR"
mkdir -p data/images "$FONT_DIR"

python3 tools/make_pictures.py data/images/icon.bmp "$work/bg.ppm"
# Baseline, no metadata: SDL_image's loader reads it and reruns give the same bytes.
convert "$work/bg.ppm" -strip -interlace none -sampling-factor 4:2:0 -quality 90 data/images/bg.jpg
# The runner keys out palette index 15, magenta; menus get that as transparency. No dates: reruns
# give the same bytes. Pixel art scales by whole numbers only: 16 keeps every other pixel, and 48
# is the 32 px art on a wider canvas.
png() {
    size=$1
    shift
    convert data/images/icon.bmp -transparent '#FF00FF' "$@" -strip -define png:exclude-chunks=date,time \
        "PNG32:data/images/icon-$size.png"
}
png 16 -sample 50%
png 32
png 48 -background none -gravity center -extent 48x48
for scale in 2 4 8; do
    png $((scale * 32)) -sample $((scale * 100))%
done

# The game opens the font under this name; the file itself is copied unchanged.
cp "$FONT_SRC" "$FONT_DIR/aquafont.ttf"
cp "$FONT_DOC/copyright" "$FONT_DIR/COPYRIGHT"
cp "$FONT_DOC/README" "$FONT_DIR/README.VLGothic"
cp "$FONT_DOC/README_J.mplus" "$FONT_DIR/README_J.mplus"
# Shipped in EUC-JP; UTF-8 so that it reads like the other texts.
gzip -dc "$FONT_DOC/README.sazanami.gz" | iconv -f EUC-JP -t UTF-8 > "$FONT_DIR/README.sazanami"

version=$(dpkg-query -W -f '${Version}' "$FONT_PKG")
sum=$(sha256sum "$FONT_DIR/aquafont.ttf" | cut -d' ' -f1)
cat > "$FONT_DIR/ORIGIN" <<NOTE
aquafont.ttf is VL Gothic Regular from the Debian package $FONT_PKG $version:
$FONT_SRC, renamed to the path the game opens and otherwise unchanged
(sha256 $sum).

Licence: M+ FONTS licence for the M+ parts, modified BSD (Sazanami) for the rest;
both allow copying and redistribution, changed or not. The terms are in
COPYRIGHT (Debian's copyright file), README.VLGothic and README_J.mplus (the
upstream READMEs) and README.sazanami (converted from EUC-JP to UTF-8).

Made by tools/make-data.sh.
NOTE
