#!/bin/sh
# The launcher's refusals, each with its reason and status 1, leaving the player's files alone; and
# the game's own failure passed through.
# Usage: launcher.sh BUILD_DIR
build=$1
. "$(dirname "$0")/common.sh"
DESTDIR=$work/dest cmake --install "$build" --prefix /usr >/dev/null
launcher=$work/dest/usr/bin/gorubadon
installed=$work/dest/usr/share/gorubadon/data
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LC_ALL=C
unset XDG_DATA_HOME

# Starts the launcher as player $1 (a HOME of that name); expects status 1 and stderr beginning $2.
fails() {
    status=0
    HOME=$work/$1 "$launcher" 2>"$work/$1.err" || status=$?
    [ "$status" -eq 1 ] || fail "$1: status $status"
    printf '%s' "$2" >"$work/$1.want"
    head -c "$(wc -c <"$work/$1.want")" "$work/$1.err" | cmp -s - "$work/$1.want" ||
        fail "$1: stderr was: $(cat "$work/$1.err")"
    [ ! -e "$work/$1/.local/share/gorubadon/save.txt" ] || fail "$1: save.txt written"
}
player() { printf '%s/.local/share/gorubadon' "$work/$1"; }

mkdir -p "$(player in_the_way)/data"
echo mine >"$(player in_the_way)/data/notes"
fails in_the_way "gorubadon: $(player in_the_way)/data is in the way: it is not a link to $installed. Left as it is; move it away to play.
"
[ "$(cat "$(player in_the_way)/data/notes")" = mine ] || fail "the player's own data touched"

mkdir -p "$work/no_folder/.local"
touch "$work/no_folder/.local/share"
fails no_folder "gorubadon: cannot make the player's folder $(player no_folder): Not a directory
"

mv "$installed" "$installed.away"
fails no_data "gorubadon: the game's data is missing: $installed
"
mv "$installed.away" "$installed"

# A link the player made, to a drive not mounted just now, stays.
mkdir -p "$(player own_link)"
ln -s "$work/usb/data" "$(player own_link)/data"
fails own_link "gorubadon: $(player own_link)/data is in the way"
[ "$(readlink "$(player own_link)/data")" = "$work/usb/data" ] || fail "the player's own link touched"

# A link left by an install that has gone is renewed; the game's own failure then comes through.
mkdir -p "$(player game_fails)"
ln -s "$work/gone/share/gorubadon/data" "$(player game_fails)/data"
mv "$installed/images/bg.jpg" "$work/bg.jpg"
fails game_fails "IMG_Load
SDL message: "
[ "$(player game_fails)/data" -ef "$installed" ] || fail "stale link not renewed"

# Installed with PREFIX=~/.local, the player's folder holds the data itself: the game starts there.
DESTDIR= cmake --install "$build" --prefix "$work/own/.local" >/dev/null
rm "$(player own)/data/images/bg.jpg"
launcher=$work/own/.local/bin/gorubadon
fails own "IMG_Load
SDL message: "
[ ! -L "$(player own)/data" ] || fail "the installed data replaced by a link"
echo ok
