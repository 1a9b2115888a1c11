#!/bin/sh
# Plays the game (or another story program) under a private Xvfb with real key presses along the
# paths of PATHS (tools/story-paths.txt unless given) and saves PNGs of the key screens (with
# EVERY_STEP=1 set, also NAME-stepN.png after each key of each path). ARGS go to the program.
# Usage: screenshots.sh GAME_BINARY OUTPUT_DIR [PATHS [ARGS...]]
set -eu
game=$(realpath "$1")
out=$(realpath -m "$2")
root=$(cd "$(dirname "$0")/.." && pwd)
paths=$(realpath "${3:-$root/tools/story-paths.txt}")
shift 2
[ $# -eq 0 ] || shift
mkdir -p "$out"

if [ -z "${SCREENSHOTS_UNDER_XVFB:-}" ]; then
    SCREENSHOTS_UNDER_XVFB=1 exec "$root/tools/with-xvfb.sh" sh "$0" "$game" "$out" "$paths" "$@"
fi
# The program's own arguments, one a line, kept apart from each path's steps.
args=$(mktemp)
trap 'rm -f "$args"' EXIT
for arg in "$@"; do printf '%s\n' "$arg"; done >"$args"

picture() { import -silent -window "$1" rgb:- 2>/dev/null | md5sum; }
black=$(head -c $((320 * 240 * 3)) /dev/zero | md5sum)
# until_not WINDOW PICTURE TRIES: waits, 50 ms a try, while the window still shows PICTURE.
until_not() {
    tries=0
    while [ "$(picture "$1")" = "$2" ] && [ "$tries" -lt "$3" ]; do
        sleep 0.05
        tries=$((tries + 1))
    done
}

play() { # play NAME STEPS...: starts a fresh game, then each key is pressed or a shot is taken
    name=$1
    shift
    step_count=0
    work=$(mktemp -d)
    ln -s "$root/data" "$work/data"
    (
        cd "$work"
        set --
        while IFS= read -r arg; do set -- "$@" "$arg"; done <"$args"
        SDL_AUDIODRIVER=dummy exec "$game" "$@"
    ) &
    pid=$!
    win=""
    i=0
    while [ -z "$win" ] && [ "$i" -lt 100 ]; do
        win=$(xdotool search --classname gorubadon 2>/dev/null | head -n 1 || true)
        i=$((i + 1))
        sleep 0.05
    done
    [ -n "$win" ] || { echo "screenshots: no game window" >&2; kill "$pid"; exit 1; }
    # Drawn once the window is no longer black (10 s at most).
    until_not "$win" "$black" 200
    for step in "$@"; do
        case "$step" in
        shot:*) import -window "$win" "$out/${step#shot:}.png" ;;
        *)
            # Each key of the paths changes the screen: the next step waits for that (2 s at most).
            before=$(picture "$win")
            xdotool key --window "$win" "$step" 2>/dev/null
            until_not "$win" "$before" 40
            step_count=$((step_count + 1))
            [ -z "${EVERY_STEP:-}" ] || import -window "$win" "$out/$name-step$step_count.png"
            ;;
        esac
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    rm -rf "$work"
}

# shellcheck disable=SC2086 # each line is a name and its steps
while read -r line; do
    case $line in '#'* | '') continue ;; esac
    play $line
done <"$paths"
echo "screenshots in $out"
