#!/bin/sh
# The launcher's refusals, each with its reason and status 1, leaving the player's files alone; and
# the game's own failure passed through.
# Usage: launcher.sh BUILD_DIR
build=$1
. "$(dirname "$0")/common.sh"
DESTDIR=$work/dest cmake --install "$build" --prefix /usr >/dev/null
launcher=$work/dest/usr/games/gorubadon
installed=$work/dest/usr/share/games/gorubadon/data
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LC_ALL=C
unset XDG_DATA_HOME

# Starts the launcher as player $1 (a HOME of that name, or no HOME with $3 for XDG_DATA_HOME);
# expects status 1 and stderr beginning $2.
fails() {
    status=0
    if [ $# -gt 2 ]; then
        env -u HOME XDG_DATA_HOME="$3" "$launcher" 2>"$work/$1.err" || status=$?
    else
        HOME=$work/$1 "$launcher" 2>"$work/$1.err" || status=$?
    fi
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

fails relative_xdg "gorubadon: XDG_DATA_HOME is not an absolute path (rel/share) and HOME is not set: no folder to play in
" rel/share

# From here on a game started fails at once, without a display.
mv "$installed/images/bg.jpg" "$work/bg.jpg"

# A link the player made stays, whatever its target's name, to a drive not mounted just now too.
mkdir -p "$work/usb/mounted/gorubadon/data"
for target in "$work/usb/unmounted/gorubadon/data" "$work/usb/mounted/gorubadon/data"; do
    mkdir -p "$(player own_link)"
    ln -sfn "$target" "$(player own_link)/data"
    fails own_link "gorubadon: $(player own_link)/data is in the way"
    [ "$(readlink "$(player own_link)/data")" = "$target" ] || fail "the player's own link to $target touched"
done

# A link a launcher noted, to an install that has gone, is renewed, as is one this install made in
# its place before the games layout; the game's own failure then comes through.
for stale in noted "$work/dest/usr/share/gorubadon/data"; do
    mkdir -p "$(player game_fails)"
    [ "$stale" != noted ] || { stale=$work/gone/share/games/gorubadon/data && echo "$stale" >"$(player game_fails)/.data-link"; }
    ln -sfn "$stale" "$(player game_fails)/data"
    fails game_fails "IMG_Load
SDL message: "
    [ "$(player game_fails)/data" -ef "$installed" ] || fail "stale link to $stale not renewed"
done

# Two installs, one HOME: each start links the install it came from.
DESTDIR= cmake --install "$build" --prefix "$work/second" >/dev/null
rm "$work/second/share/games/gorubadon/data/images/bg.jpg"
first=$launcher
for launcher in "$work/second/games/gorubadon" "$first" "$work/second/games/gorubadon"; do
    fails game_fails "IMG_Load"
    [ "$(player game_fails)/data" -ef "$(dirname "$launcher")/../share/games/gorubadon/data" ] ||
        fail "$launcher played with $(readlink "$(player game_fails)/data")"
done

echo ok
