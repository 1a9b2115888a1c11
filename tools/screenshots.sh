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
# Its waits: each for the event it means, bounded by $wait_seconds.
. "$root/tests/process/common.sh"
# The program's own arguments, one a line, kept apart from each path's steps.
for arg in "$@"; do printf '%s\n' "$arg"; done >"$work/args"

play() { # play NAME STEPS...: starts a fresh game, then each key is pressed or a shot is taken
    name=$1
    shift
    step_count=0
    dir=$(mktemp -d "$work/play.XXXXXX")
    ln -s "$root/data" "$dir/data"
    (
        cd "$dir"
        set --
        while IFS= read -r arg; do set -- "$@" "$arg"; done <"$work/args"
        SDL_AUDIODRIVER=dummy exec "$game" "$@"
    ) &
    pid=$!
    wait_until "first frame from $game" game_drawn
    for step in "$@"; do
        case "$step" in
        shot:*) grab "$win" "$out/${step#shot:}.png" ;;
        *)
            # Each key of the paths changes the screen: the next step waits for that.
            keys "$step"
            step_count=$((step_count + 1))
            [ -z "${EVERY_STEP:-}" ] || grab "$win" "$out/$name-step$step_count.png"
            ;;
        esac
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# shellcheck disable=SC2086 # each line is a name and its steps
while read -r line; do
    case $line in '#'* | '') continue ;; esac
    play $line
done <"$paths"
echo "screenshots in $out"
