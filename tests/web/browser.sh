#!/bin/sh
# The browser build against the desktop game: the paths of tools/story-paths.txt played in both
# with real key presses, and the screen after every key compared pixel for pixel. A differing pair leaves
# its difference picture in WEB_BUILD/test-shots/.
# Usage: browser.sh GAME WEB_BUILD   (the game's page published in WEB_BUILD/page/, and
# gorubadon-story beside GAME)
set -eu
game=$1 web=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shots=$web/test-shots
rm -rf "$shots"
mkdir -p "$shots"
EVERY_STEP=1 sh "$root/tools/screenshots.sh" "$game" "$shots/desktop" >/dev/null
# A story that keeps its reader's place, published beside the game's page.
"$(dirname "$game")/gorubadon-story" publish "$here/kept.story" "$web/kept-page" >/dev/null
node "$here/play.js" "$web/page" "$shots/web" "$web/kept-page"
# The page draws with Debian 12's SDL 1.2 and FreeType on every release. A desktop on sdl12-compat
# blends a level apart, and a newer FreeType shades glyph edges and places some a pixel apart: there
# only pixels that differ by more than 40% count, and a few glyphs' worth of them (160) pass, fewer
# than a missing word or line would make.
fuzz=0 allowed=0
if compat=$(sh "$root/dist/run-game.sh" --sdl12-compat "$game") && [ -z "$compat" ]; then
    fuzz=40% allowed=160
    echo "browser: the desktop runs on sdl12-compat; compared within what its libraries change"
fi
status=0
count=0
for desktop in "$shots"/desktop/*.png; do
    name=$(basename "$desktop")
    count=$((count + 1))
    if [ ! -f "$shots/web/$name" ]; then
        echo "FAIL: no $name from the browser"
        status=1
        continue
    fi
    # ImageMagick 7 adds the share in parentheses.
    differ=$(compare -metric AE -fuzz "$fuzz" "$desktop" "$shots/web/$name" "$shots/diff-$name" 2>&1 | cut -d' ' -f1 || true)
    if ! awk -v n="$differ" -v most="$allowed" 'BEGIN { exit !(n ~ /^[0-9.e+-]+$/ && n + 0 <= most) }'; then
        echo "FAIL: $name: $differ pixels differ from the desktop's (see $shots/diff-$name)"
        status=1
    fi
done
# A screen for each shot and each key.
expected=$(grep -v '^#' "$root/tools/story-paths.txt" | awk '{ n += NF - 1 } END { print n }')
[ "$count" -eq "$expected" ] || { echo "FAIL: $count screens from the desktop, not $expected"; status=1; }
[ "$status" -ne 0 ] || echo "browser: $count screens as on the desktop, the record kept"
exit "$status"
