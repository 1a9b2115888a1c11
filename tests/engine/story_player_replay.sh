#!/bin/sh
# The story player under X with real key presses: after an edit, the keys pressed so far are
# played again on the new story, and where one no longer fits the replay stops and says so.
# Usage (under with-xvfb.sh): story_player_replay.sh PLAYER
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

write "title: R" "== a" "One." "* On -> b" "== b" "Two." "* Out -> c" "* Again -> b" "== c" "End." "[end]"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy "$player" play "$story" 2>"$work/err" &
pid=$!
# Keys are read once the first frame shows: the picture has more than one colour.
drawn() {
    win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | tail -n 1) && [ -n "$win" ] &&
        [ "$(import -window "$win" -format '%k' info: 2>/dev/null)" -gt 1 ] 2>/dev/null
}
wait_until "window" drawn
wait_for_caption "R - a"
keys space space 1 space space 2
wait_for_caption "R - b"

# The same keys again on the edited story: its place is kept, and nothing is said.
write "title: R2" "== a" "One, edited." "* On -> b" "== b" "Two." "* Out -> c" "* Again -> b" \
    "== c" "End." "[end]"
wait_for_caption "R2 - b"

# The option the last key took is gone: the replay stops before it, and the title says so.
write "title: R3" "== a" "One." "* On -> b" "== b" "Two." "* Out -> c" "== c" "End." "[end]"
wait_for_caption "R3 - b (the replay stopped after 5 of 6 keys)"
# The choice in b waits, as after the fifth key: 1 takes Out, then the ending closes.
keys 1 space space
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || fail "status $status"
echo "replayed the keys on two edits, and stopped where an option had gone"
