#!/bin/sh
# Remakes the game's data files: the window icon, the background picture and the font.
# Needs Debian's python3, imagemagick and fonts-vlgothic. The same inputs give the same files.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
images="$root/data/images"
fonts="$root/data/fonts/aqua2_8"
mkdir -p "$images" "$fonts"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
/usr/bin/python3 "$root/tools/make_pictures.py" "$images/icon.bmp" "$scratch/bg.ppm"
# Baseline JPEG without metadata, so every run writes the same bytes.
convert "$scratch/bg.ppm" -strip -interlace none -sampling-factor 4:2:0 -quality 90 "$images/bg.jpg"

# VL Gothic, whole and unchanged, under the name the game opens.
cp /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf "$fonts/aquafont.ttf"
cp /usr/share/doc/fonts-vlgothic/copyright "$fonts/COPYRIGHT"
cp /usr/share/doc/fonts-vlgothic/README "$fonts/README"
cp /usr/share/doc/fonts-vlgothic/README_J.mplus "$fonts/README_J.mplus"
gzip -dc /usr/share/doc/fonts-vlgothic/README.sazanami.gz > "$fonts/README.sazanami"
version=$(dpkg-query -W -f='${Version}' fonts-vlgothic)
cat > "$fonts/ORIGIN" <<NOTE
aquafont.ttf is VL Gothic Regular (VL-Gothic-Regular.ttf) from Debian 12's package
fonts-vlgothic, version $version, copied unchanged and renamed to the path the game opens.
Its terms (M+ FONTS licence and a BSD-style licence for the parts from Sazanami) allow
shipping and changing it: see COPYRIGHT, README, README_J.mplus and README.sazanami here.
Made by tools/make-data.sh.
NOTE
