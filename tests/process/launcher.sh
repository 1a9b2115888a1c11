#!/bin/sh
# The launcher's refusals, each with its reason and status 1, leaving the player's files alone; the
# game's own failure passed through, and shown in a dialog when no terminal is attached; the window
# scaled on a large screen; signals to the launcher passed on to the game, which saves.
# Usage (under with-xvfb.sh --size 1920x1080): launcher.sh BUILD_DIR
build=$1
. "$(dirname "$0")/common.sh"
DESTDIR=$work/dest cmake --install "$build" --prefix /usr >/dev/null
launcher=$work/dest/usr/games/gorubadon
installed=$work/dest/usr/share/games/gorubadon/data
run_game=$(find "$work/dest" -name run-game.sh)
game=$(dirname "$run_game")/gorubadon
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy LC_ALL=C
unset XDG_DATA_HOME WAYLAND_DISPLAY SDL12COMPAT_WINDOW_SCALING SDL12COMPAT_SCALE_METHOD GORUBADON_SCALE
# A dialog that records what it was asked to show.
mkdir "$work/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >"%s"\n[ ! -e "%s" ] || exec sleep 600\n' "$work/dialog" "$work/hold" >"$work/bin/zenity"
chmod +x "$work/bin/zenity"
export PATH="$work/bin:$PATH"

# Starts the launcher as player $1 (a HOME of that name, or XDG_DATA_HOME=$3 and HOME=$4, unset
# when not given, from $work); expects status 1 and stderr beginning $2.
fails() {
    status=0
    if [ $# -gt 2 ]; then
        # shellcheck disable=SC2086
        (cd "$work" && env -u HOME ${4+HOME=$4} XDG_DATA_HOME="$3" "$launcher") </dev/null \
            2>"$work/$1.err" || status=$?
        [ ! -e "$work/${4:-$3}" ] || fail "$1: a folder made under the working directory"
    else
        HOME=$work/$1 "$launcher" </dev/null 2>"$work/$1.err" || status=$?
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

# Relative folders are none: the record would land under whichever folder the game started from.
while IFS='|' read -r who xdg home want; do
    fails "$who" "gorubadon: $want: no folder to play in
" "$xdg" ${home:+"$home"}
done <<'EOF'
relative_xdg|rel/share||XDG_DATA_HOME is not an absolute path (rel/share) and HOME is not set
relative_home||relhome|HOME is not an absolute path (relhome)
option_home||-n|HOME is not an absolute path (-n)
both_relative|rel/share|relhome|XDG_DATA_HOME is not an absolute path (rel/share) and HOME is not an absolute path (relhome)
EOF

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
grep -qx -- --text=IMG_Load "$work/dialog" || fail "dialog: $(cat "$work/dialog")"
# A dialog still up does not hold back SIGTERM: the launcher ends it and exits as the game did.
rm "$work/dialog" && touch "$work/hold"
HOME=$work/game_fails "$launcher" </dev/null 2>/dev/null &
pid=$!
wait_file "$work/dialog"
kill -TERM "$pid"
expect_exit 1 "SIGTERM with a dialog up"
rm "$work/hold"

# Two installs, one HOME: each start links the install it came from.
DESTDIR= cmake --install "$build" --prefix "$work/second" >/dev/null
rm "$work/second/share/games/gorubadon/data/images/bg.jpg"
first=$launcher
for launcher in "$work/second/games/gorubadon" "$first" "$work/second/games/gorubadon"; do
    fails game_fails "IMG_Load"
    [ "$(player game_fails)/data" -ef "$(dirname "$launcher")/../share/games/gorubadon/data" ] ||
        fail "$launcher played with $(readlink "$(player game_fails)/data")"
done
launcher=$first
mv "$work/bg.jpg" "$installed/images/bg.jpg"

(
    unset DISPLAY SDL_VIDEODRIVER
    fails no_display "gorubadon: no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set
"
    # Wayland alone, on classic SDL 1.2 with no sdl12-compat beside it: a copy of the game's in a
    # folder of its own, with none beside it.
    compat=$(sh "$run_game" --sdl12-compat "$game") && [ -n "$compat" ] || exit 0
    mkdir "$work/classic" && cp "$(ldd "$game" | awk '$1 ~ /^libSDL-1/ { print $3 }')" "$work/classic/"
    WAYLAND_DISPLAY=wayland-0 LD_LIBRARY_PATH=$work/classic fails wayland_only "gorubadon: no X display to open the window on (DISPLAY is not set), and classic SDL 1.2 has no Wayland driver"
) || exit 1

# Played on a 1920x1080 screen: the window twice the size with sharp pixels, over sdl12-compat
# where that is beside classic SDL, unless the player says otherwise. Each run is ended by another
# signal to the launcher, which passes it on and waits for the game to save.
unset SDL_VIDEODRIVER
# The unscaled picture to compare with is taken on sdl12-compat too: classic SDL's blends differ
# from it by one level in some pixels.
compat=$(sh "$run_game" --sdl12-compat "$game") || {
    echo "skip: no sdl12-compat to scale the window with"
    exit 0
}
[ -z "$compat" ] || compat=LD_LIBRARY_PATH=$compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
drawn() {
    win=$(xdotool search --onlyvisible --classname gorubadon 2>/dev/null | tail -n 1)
    [ -n "$win" ] && [ "$(grab "$win" -format '%k' info:)" -gt 1 ] 2>/dev/null
}
live() {
    who=$1 size=$2 sig=$3
    shift 3
    # In a process group of its own, with no standard output.
    HOME=$work/$who setsid env --default-signal=INT,QUIT "$@" "$launcher" </dev/null >&- 2>"$work/$who.err" &
    pid=$!
    wait_until "first frame for $who" drawn
    got=$(xwininfo -id "$win" | awk '$1 == "Width:" { w = $2 } $1 == "Height:" { h = $2 } END { print w "x" h }')
    [ "$got" = "$size" ] || fail "$who: window $got"
    grab "$win" ppm:- | convert - -sample 320x240 "$work/$who.png"
    # TERM goes to the whole group, as a session's end or `timeout` sends it: the game and the
    # launcher both get it, and the launcher exits as the game did.
    if [ "$sig" = TERM ]; then kill -TERM -"$pid"; else kill -"$sig" "$pid"; fi
    expect_exit 0 "$who: SIG$sig"
    ! grep -q Terminated "$work/$who.err" || fail "$who: $(cat "$work/$who.err")"
    check_save "$(player "$who")/save.txt" "$default"
    [ -z "$(xdotool search --classname gorubadon)" ] || fail "$who: a window left open"
}
live unscaled 320x240 QUIT SDL12COMPAT_WINDOW_SCALING=1 ${compat:+"$compat"}
live scaled 640x480 HUP
live off 320x240 INT GORUBADON_SCALE=1
live three 960x720 TERM GORUBADON_SCALE=3
for who in scaled three; do
    compare -metric AE "$work/unscaled.png" "$work/$who.png" null: 2>/dev/null ||
        fail "$who: the reduced picture differs from the unscaled one"
done
[ -z "$compat" ] || grep -qx 'gorubadon: scaling the window 2x: the game runs over sdl12-compat from .*' \
    "$work/scaled.err" || fail "scaled: $(cat "$work/scaled.err")"
echo ok
