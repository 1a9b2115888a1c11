#!/bin/sh
# Starts the game for a player, from the installed launcher and from `make run` alike: chooses the
# video driver and the window's scale, falls back to silent audio where there is no sound device,
# passes on the signals that end it, and shows its errors where a player who has no terminal sees them.
# Usage: run-game.sh GAME_BINARY [ARGS...], in the folder that holds data/ and save.txt.
set -u
if [ $# -lt 1 ]; then
    echo "usage: run-game.sh GAME_BINARY [ARGS...]" >&2
    exit 2
fi
game=$1
shift
name=${game##*/}
say() { printf '%s: %s\n' "$name" "$*" >&2; }

# The game runs as a child: what would end this script ends the game, which then saves. Before
# the game starts, the script just ends.
script=$$ watcher='' ready='' stopped=''
on_signal() {
    [ -n "$watcher" ] || exit "$1"
    stopped=1
    [ -z "$ready" ] || kill -TERM "$watcher" 2>/dev/null
}
on_ready() {
    ready=1
    [ -z "$stopped" ] || [ -z "$watcher" ] || kill -TERM "$watcher" 2>/dev/null
}
trap 'on_signal 129' HUP
trap 'on_signal 130' INT
trap 'on_signal 131' QUIT
trap 'on_signal 143' TERM
trap on_ready USR1

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
# Classic SDL 1.2 cannot scale; Debian 12 keeps sdl12-compat beside it for whoever asks.
if awk -v scale="${SDL12COMPAT_WINDOW_SCALING:-1}" 'BEGIN { exit !(scale + 0 > 1) }'; then
    lib=$(ldd "$game" 2>/dev/null | awk '$1 ~ /^libSDL-1\.2\.so/ { print $3 }')
    compat=${lib%/*}/sdl12-compat
    if [ -f "$lib" ] && ! grep -q SDL12COMPAT "$lib" && [ -f "$compat/${lib##*/}" ]; then
        export LD_LIBRARY_PATH="$compat${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
        say "scaling the window ${SDL12COMPAT_WINDOW_SCALING}x: the game runs over sdl12-compat from $compat"
    fi
fi

mark=$(printf '\001run-game')
exec 3>&1

# The game, with its messages, then its process id and status, into the pipe to watch().
launch() {
    "$game" "$@" 2>&1 >&3 3>&- &
    pid=$!
    printf '%s pid %s\n' "$mark" "$pid"
    # A hangup of the terminal must not stop the status from coming through.
    trap '' HUP
    status=0
    wait "$pid" || status=$?
    printf '%s status %s\n' "$mark" "$status"
}

# Holds the game's messages until it ends, so that a failed audio start is not shown; asks for SIGTERM
# to be sent on, the signal the game saves and ends on; exits with the game's status, or 75 where
# the game wants a try with silent audio.
watch() {
    pid='' status=1 text='' carry='' woke='' pending=''
    pass_on() {
        woke=1
        if [ -n "$pid" ]; then kill -TERM "$pid" 2>/dev/null; else pending=1; fi
    }
    trap pass_on HUP TERM
    # Ready for signals: until now one would have ended this watcher and left the game running.
    kill -USR1 "$script"
    while :; do
        line=
        if ! IFS= read -r line; then
            # A signal cuts a read short, with the line's start in hand.
            if [ -n "$woke" ]; then
                woke='' carry=$carry$line
                continue
            fi
            [ -z "$carry$line" ] && break
        fi
        line=$carry$line carry=
        case $line in
        *"$mark pid "*)
            [ "${line%%"$mark"*}" = "" ] || text=$text${line%%"$mark"*}$newline
            pid=${line##*"$mark pid "}
            [ -z "$pending" ] || kill -TERM "$pid" 2>/dev/null
            ;;
        *"$mark status "*)
            [ "${line%%"$mark"*}" = "" ] || text=$text${line%%"$mark"*}$newline
            status=${line##*"$mark status "}
            ;;
        *) text=$text$line$newline ;;
        esac
    done
    if [ "$status" -eq 1 ] && [ -z "$quiet" ] && printf '%s' "$text" | grep -qx Mix_OpenAudio; then
        exit 75
    fi
    printf '%s' "$text" >&2
    if [ "$status" -ne 0 ] && [ -n "$text" ] && [ -z "$terminal" ]; then
        show "${text%"$newline"}"
    fi
    exit "$status"
}
newline='
'

# The error in a window, for a player started from a menu: nobody reads that stderr.
show() {
    [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || return 0
    case ${XDG_CURRENT_DESKTOP:-} in
    *KDE*) kdialog=first ;;
    *) kdialog= ;;
    esac
    if [ -n "$kdialog" ] && command -v kdialog >/dev/null 2>&1; then
        kdialog --title "$name" --error "$1"
    elif command -v zenity >/dev/null 2>&1; then
        zenity --error --no-markup --title="$name" --text="$1"
    elif command -v kdialog >/dev/null 2>&1; then
        kdialog --title "$name" --error "$1"
    elif [ -n "${DISPLAY:-}" ] && command -v xmessage >/dev/null 2>&1; then
        printf '%s' "$1" | xmessage -center -title "$name" -file -
    fi
} >/dev/null 2>&1 </dev/null

play() {
    ready='' watcher=starting
    launch "$@" | watch &
    watcher=$!
    [ -z "$stopped" ] || [ -z "$ready" ] || kill -TERM "$watcher" 2>/dev/null
    status=0
    wait "$watcher" || status=$?
    # Above 128 with the watcher still there, the wait was cut short by a signal to this script.
    while [ "$status" -gt 128 ] && kill -0 "$watcher" 2>/dev/null; do
        status=0
        wait "$watcher" || status=$?
    done
    watcher=
}

terminal=
if [ -t 0 ] || [ -t 2 ]; then terminal=1; fi
case ${SDL_AUDIODRIVER:-${SDL_AUDIO_DRIVER:-}} in
dummy) quiet=1 ;;
*) quiet= ;;
esac
play "$@"
# Without a sound device the game stops before it reads or writes anything, though it plays no
# sound; SDL's dummy driver lets it start.
if [ "$status" -eq 75 ]; then
    say "no sound device could be opened: playing with SDL_AUDIODRIVER=dummy"
    export SDL_AUDIODRIVER=dummy SDL_AUDIO_DRIVER=dummy
    quiet=1
    status=1
    [ -n "$stopped" ] || play "$@"
fi
exit "$status"
