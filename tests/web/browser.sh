#!/bin/sh
# The browser build against the desktop: the game's page along the paths of tools/story-paths.txt
# against the desktop game, and the ferry published as a writer publishes it (installed, with no
# compiler on PATH) along tests/web/ferry-paths.txt against the writer's player, each played with
# real key presses and the screen after every key compared pixel for pixel. A differing pair
# leaves its difference picture in WEB_BUILD/test-shots/.
# Usage: browser.sh GAME WEB_BUILD   (the game's page published in WEB_BUILD/page/, and
# gorubadon-story beside GAME)
set -eu
game=$1 web=$(cd "$2" && pwd)
story=$(dirname "$game")/gorubadon-story
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shots=$web/test-shots
rm -rf "$shots"
mkdir -p "$shots"
EVERY_STEP=1 sh "$root/tools/screenshots.sh" "$game" "$shots/desktop" >/dev/null
# A story that keeps its reader's place, published beside the game's page.
"$story" publish "$here/kept.story" "$web/kept-page" >/dev/null
node "$here/play.js" "$web/page" "$shots/web" "$web/kept-page"
ferry=$root/examples/ferry/ferry.story
EVERY_STEP=1 sh "$root/tools/screenshots.sh" "$story" "$shots/ferry-desktop" "$here/ferry-paths.txt" \
    play "$ferry" >/dev/null
# As a writer publishes it: installed with the engine make web built, no compiler on PATH.
installed=$(mktemp -d)
trap 'rm -rf "$installed"' EXIT
GORUBADON_WEB_ENGINE=$web/engine DESTDIR=$installed cmake --install "$(dirname "$game")" \
    --prefix /usr >/dev/null
mkdir "$installed/bin"
(cd "$installed" && PATH=$installed/bin "$installed/usr/games/gorubadon-story" publish "$ferry" \
    "$web/ferry-page") >/dev/null
node "$here/published.js" "$web/ferry-page" "$here/ferry-paths.txt" "$shots/ferry-web"
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
# compare DESKTOP WEB PATHS WHAT: every desktop screen against the page's, and a screen for each
# shot and each key of PATHS.
compare_all() {
    count=0
    for desktop in "$1"/*.png; do
        name=$(basename "$desktop")
        count=$((count + 1))
        if [ ! -f "$2/$name" ]; then
            echo "FAIL: no $4 $name from the browser"
            status=1
            continue
        fi
        # ImageMagick 7 adds the share in parentheses.
        differ=$(compare -metric AE -fuzz "$fuzz" "$desktop" "$2/$name" "$shots/diff-$4-$name" 2>&1 | cut -d' ' -f1 || true)
        if ! awk -v n="$differ" -v most="$allowed" 'BEGIN { exit !(n ~ /^[0-9.e+-]+$/ && n + 0 <= most) }'; then
            echo "FAIL: $4 $name: $differ pixels differ from the desktop's (see $shots/diff-$4-$name)"
            status=1
        fi
    done
    expected=$(grep -v '^#' "$3" | awk '{ n += NF - 1 } END { print n }')
    [ "$count" -eq "$expected" ] || { echo "FAIL: $count $4 screens from the desktop, not $expected"; status=1; }
    [ "$status" -ne 0 ] || echo "browser: $count $4 screens as on the desktop"
}
compare_all "$shots/desktop" "$shots/web" "$root/tools/story-paths.txt" game
compare_all "$shots/ferry-desktop" "$shots/ferry-web" "$here/ferry-paths.txt" ferry
[ "$status" -ne 0 ] || echo "browser: the record kept, and the kept story's place"
exit "$status"
