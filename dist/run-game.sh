#!/bin/sh
# Starts the game for a player, from the installed launcher and from `make run` alike: chooses the
# video driver and the window's scale, falls back to silent audio where there is no sound device,
# passes on the signals that end it, and shows its errors where a player who has no terminal sees them.
# Usage: run-game.sh GAME_BINARY [ARGS...], in the folder that holds data/ and save.txt.
#        run-game.sh --sdl12-compat GAME_BINARY: the sdl12-compat folder the game would be run over
#        (nothing where it loads sdl12-compat already; status 1 for classic SDL with none beside).
set -u
query=''
[ "${1:-}" != --sdl12-compat ] || { query=1 && shift; }
if [ $# -lt 1 ]; then
    echo "usage: run-game.sh [--sdl12-compat] GAME_BINARY [ARGS...]" >&2
    exit 2
fi
game=$1
shift
# The status of a game that found no sound device; the game takes it from here when it is built
# (engine/CMakeLists.txt).
no_audio_device_status=69
name=${game##*/}
say() { printf '%s: %s\n' "$name" "$*" >&2; }

# What ends this script ends its child, the game (which then saves) or a dialog, with SIGTERM; it
# then exits as the game did. Before the game starts, the script just ends.
child='' stopped='' woke=''
stop() {
    stopped=$1 woke=1
    [ -z "$child" ] || kill -TERM "$child" 2>/dev/null
}
trap 'stop 129' HUP
trap 'stop 130' INT
trap 'stop 131' QUIT
trap 'stop 143' TERM
# Runs a command as that child and waits for it, through signals: its status in $status.
run() {
    [ -z "$stopped" ] || exit "$stopped"
    "$@" &
    child=$!
    [ -z "$stopped" ] || kill -TERM "$child" 2>/dev/null
    status=0 woke=''
    wait "$child" || status=$?
    # Above 128 after a signal to this script, the wait may have been cut short: wait again. A
    # shell that has handed the status out already knows the child no more (127).
    while [ "$status" -gt 128 ] && [ -n "$woke" ]; do
        again=0 woke=''
        wait "$child" || again=$?
        [ "$again" -eq 127 ] || status=$again
    done
    child=''
}
# Nothing of the game's output may land on a file it opens in place of a closed standard output.
true 2>/dev/null 9>&1 || exec >/dev/null

# The SDL 1.2 the game loads, from the folder ldd finds it in. sdl12-compat (SDL 2 or 3 beneath)
# scales the window and talks Wayland; classic SDL 1.2 does neither, and on Debian 12 keeps
# sdl12-compat beside itself for whoever asks. Sets $compat to that folder (empty where the game
# loads sdl12-compat already, or ldd cannot tell); fails for classic SDL with none beside.
sdl12_compat() {
    compat=''
    lib=$(ldd "$game" 2>/dev/null | awk '$1 ~ /^libSDL-1\.2\.so/ { print $3 }')
    [ -f "$lib" ] && ! grep -q SDL12COMPAT "$lib" || return 0
    [ -f "${lib%/*}/sdl12-compat/${lib##*/}" ] || return 1
    compat=${lib%/*}/sdl12-compat
}
if [ -n "$query" ]; then
    sdl12_compat || exit 1
    [ -z "$compat" ] || printf '%s\n' "$compat"
    exit 0
fi
over_compat() {
    export LD_LIBRARY_PATH="$compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    say "$1: the game runs over sdl12-compat from $compat"
}

# SDL 1.2 and SDL 2 read SDL_VIDEODRIVER, SDL 3 (under sdl2-compat too) SDL_VIDEO_DRIVER.
driver=${SDL_VIDEODRIVER:-${SDL_VIDEO_DRIVER:-}}
if [ -z "$driver" ]; then
    if [ -n "${DISPLAY:-}" ]; then
        # A Wayland session with XWayland: SDL 2 and 3 would talk Wayland, where sdl12-compat looks
        # for events every 10 ms instead of sleeping on the X connection.
        driver=x11
        export SDL_VIDEODRIVER=x11 SDL_VIDEO_DRIVER=x11
    elif [ -z "${WAYLAND_DISPLAY:-}" ]; then
        # Classic SDL would draw the game as text over the terminal instead.
        say "no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set"
        exit 1
    elif ! sdl12_compat; then
        say "no X display to open the window on (DISPLAY is not set), and classic SDL 1.2 has no Wayland driver: install sdl12-compat, or XWayland"
        exit 1
    elif [ -n "$compat" ]; then
        over_compat "a Wayland display without X"
    fi
fi

# The height of the X screen's primary monitor, or of the whole screen.
screen_height() {
    height=$(xrandr --listmonitors 2>/dev/null | awk '
        NR > 1 && (h == "" || $2 ~ /\*/) { h = $3; sub(/^[^x]*x/, "", h); sub(/\/.*/, "", h) }
        END { print h }')
    [ -n "$height" ] ||
        height=$(xdpyinfo 2>/dev/null | awk '$1 == "dimensions:" { split($2, size, "x"); print size[2] }')
    case $height in '' | *[!0-9]*) echo 0 ;; *) echo "$height" ;; esac
}

# sdl12-compat scales the 320x240 window by whole numbers, with sharp pixels: by default the largest
# scale that takes at most half the screen's height. The player's own settings win.
case ${GORUBADON_SCALE:-} in
'' | [1-9] | [1-9][0-9]) ;;
*)
    say "GORUBADON_SCALE must be a whole number from 1 to 99, not '$GORUBADON_SCALE'"
    exit 1
    ;;
esac
if [ -z "${SDL12COMPAT_WINDOW_SCALING+set}" ] && [ "$driver" = x11 ] && [ -n "${DISPLAY:-}" ]; then
    scale=${GORUBADON_SCALE:-$(($(screen_height) / 480))}
    if [ "$scale" -gt 1 ]; then
        export SDL12COMPAT_WINDOW_SCALING="$scale"
        [ -n "${SDL12COMPAT_SCALE_METHOD+set}" ] || export SDL12COMPAT_SCALE_METHOD=nearest
    fi
fi
if awk -v scale="${SDL12COMPAT_WINDOW_SCALING:-1}" 'BEGIN { exit !(scale + 0 > 1) }' &&
    sdl12_compat && [ -n "$compat" ]; then
    over_compat "scaling the window ${SDL12COMPAT_WINDOW_SCALING}x"
fi

# The game with its messages held until it ends, in a file no name leads to, so that nothing is
# left behind: a start that fails for want of a sound device is not shown. $text: what it said.
play() {
    held=$(mktemp) || exit 1
    exec 4>"$held" 5<"$held"
    rm -f -- "$held"
    run "$game" "$@" 2>&4 4>&- 5<&-
    text=$(cat <&5)
    exec 4>&- 5<&-
}

# The error in a window, for a player started from a menu: nobody reads that stderr.
show() {
    [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || return 0
    case ${XDG_CURRENT_DESKTOP:-} in *KDE*) tools="kdialog zenity" ;; *) tools="zenity kdialog" ;; esac
    for tool in $tools xmessage; do
        command -v "$tool" >/dev/null 2>&1 || continue
        case $tool in
        zenity) run zenity --error --no-markup --title="$name" --text="$1" ;;
        kdialog) run kdialog --title "$name" --error "$1" ;;
        *) [ -z "${DISPLAY:-}" ] || run xmessage -center -title "$name" "$1" ;;
        esac
        return 0
    done
} >/dev/null 2>&1 </dev/null

play "$@"
# Without a sound device the game stops before it reads or writes anything, though it plays no
# sound; SDL's dummy driver lets it start.
if [ "$status" -eq "$no_audio_device_status" ] &&
    [ "${SDL_AUDIODRIVER:-${SDL_AUDIO_DRIVER:-}}" != dummy ] && [ -z "$stopped" ]; then
    say "no sound device could be opened: playing with SDL_AUDIODRIVER=dummy"
    export SDL_AUDIODRIVER=dummy SDL_AUDIO_DRIVER=dummy
    play "$@"
fi
[ -z "$text" ] || printf '%s\n' "$text" >&2
game_status=$status
if [ "$status" -ne 0 ] && [ -n "$text" ] && [ -z "$stopped" ] && ! [ -t 0 ] && ! [ -t 2 ]; then
    show "$text"
fi
exit "$game_status"
