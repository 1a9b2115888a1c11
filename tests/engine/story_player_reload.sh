#!/bin/sh
# The story player under X with real key presses: a saved edit is picked up while it plays, at the
# start of the section the player was in; an edit that does not read keeps the last good story
# playing and says why; space after the ending closes it with status 0.
# Usage (under with-xvfb.sh): story_player_reload.sh PLAYER
player=$1
. "$(dirname "$0")/../process/common.sh"
pid=
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
story=$work/t.story
fail() {
    echo "FAIL: $*" >&2
    cat "$work/err" >&2
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

write "title: One" "== a" "First." "* On -> b" "== b" "Second." "[end]"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$player" play "$story" 2>"$work/err" &
pid=$!
# Keys are read once the first frame shows: the picture has more than one colour.
drawn() {
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1) && [ -n "$win" ] &&
        [ "$(import -window "$win" -format '%k' info: 2>/dev/null)" -gt 1 ] 2>/dev/null
}
wait_until "window" drawn
wait_for_caption "One - a"
keys space space 1
wait_for_caption "One - b"

write "title: Two" "== a" "First." "* On -> b" "== b" "Second, edited." "[end]"
wait_for_caption "Two - b"

write "title: Three" "== a" "First." "* On -> bb" "== b" "Second." "[end]"
wait_for_caption "Two - b (the file has an error)"
grep -qx "$story:4:9: no section named \"bb\"; did you mean \"b\"?" "$work/err" ||
    fail "the error is not on stderr"

write "title: Four" "== a" "First." "* On -> b" "== b" "Second, mended." "[end]"
wait_for_caption "Four - b"
# At the start of b: its text and then its ending, with no option to take first.
keys space space
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "status $status"
echo "reloaded twice, kept the last good story once, ended in section b"
