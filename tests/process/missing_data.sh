#!/bin/sh
# Each data file missing on its own: its exact error, status 1, no save.txt.
# Usage: missing_data.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
try() { # relative path to remove, expected first line
    d="$work/$(basename "$1")"
    mkdir "$d"
    link_data "$d"
    rm "$d/$1"
    status=0
    (cd "$d" && "$game") 2>"$d.err" || status=$?
    [ "$status" -eq 1 ] || fail "without $1: status $status"
    printf '%s\nSDL message: ' "$2" >"$d.want"
    head -c "$(wc -c <"$d.want")" "$d.err" | cmp -s - "$d.want" ||
        fail "without $1: stderr was: $(cat "$d.err")"
    [ ! -e "$d/save.txt" ] || fail "without $1: save.txt written"
    ! ls "$d"/save.txt* >/dev/null 2>&1 || fail "without $1: a save file left"
}
try data/images/icon.bmp IMG_Load
try data/fonts/aqua2_8/aquafont.ttf TTF_OpenFontIndex
try data/images/bg.jpg IMG_Load
echo ok
