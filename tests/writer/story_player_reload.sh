#!/bin/sh
# The story player under X with real key presses: a saved edit is picked up while it plays, at the
# start of the section the player was in; an edit that does not read keeps the last good story
# playing and says why; space after the ending closes it with status 0.
# Usage (under with-xvfb.sh): story_player_reload.sh PLAYER
player=$1
. "$(dirname "$0")/player_common.sh"

write "title: One" "== a" "First." "* On -> b" "== b" "Second." "[end]"
start_player
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
expect_exit 0 "the reloaded story"
pid=
echo "reloaded twice, kept the last good story once, ended in section b"
