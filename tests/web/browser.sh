#!/bin/sh
# The browser build against the desktop game: the paths of tools/story-paths.txt played in both
# with real key presses, and every screen taken compared pixel for pixel. A differing pair leaves
# its difference picture in WEB_BUILD/test-shots/.
# Usage: browser.sh GAME WEB_BUILD
set -eu
game=$1 web=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
shots=$web/test-shots
rm -rf "$shots"
mkdir -p "$shots"
sh "$root/tools/screenshots.sh" "$game" "$shots/desktop" >/dev/null
node "$here/play.js" "$web" "$shots/web"
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
    differ=$(compare -metric AE "$desktop" "$shots/web/$name" "$shots/diff-$name" 2>&1 || true)
    if [ "$differ" != 0 ]; then
        echo "FAIL: $name: $differ pixels differ from the desktop's (see $shots/diff-$name)"
        status=1
    fi
done
[ "$count" -ge 9 ] || { echo "FAIL: only $count screens from the desktop"; status=1; }
[ "$status" -ne 0 ] || echo "browser: $count screens as on the desktop, the record kept"
exit "$status"
