# Shared by the story player's tests under X: the process tests' waits, a story file $story in a
# fresh folder written as editors save it, and the player's window and title.
# Usage: player=PLAYER; . player_common.sh; then start_player [AUDIO_DRIVER]
. "$(dirname "$0")/../process/common.sh"
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
story=$work/t.story
fail() {
    echo "FAIL: $*" >&2
    cut -c 1-300 "$work/err" >&2
    exit 1
}
# Written whole and renamed into place, as many editors save.
write() {
    printf '%s\n' "$@" >"$work/new"
    mv "$work/new" "$story"
}
caption() { xprop -id "$win" WM_NAME 2>/dev/null | sed -n 's/^WM_NAME([A-Z_0-9]*) = "\(.*\)"$/\1/p'; }
titled() { [ "$(caption)" = "$1" ]; }
wait_for_caption() { wait_until "title \"$1\"" titled "$1"; }
# Keys are read once the first frame shows: the picture has more than one colour.
drawn() {
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1) && [ -n "$win" ] &&
        [ "$(grab "$win" -format '%k' info:)" -gt 1 ] 2>/dev/null
}
start_player() {
    SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=${1:-dummy} "$player" play "$story" 2>"$work/err" &
    pid=$!
    wait_until "window" drawn
}
