#!/bin/sh
# The story player under X with real key presses: after an edit, the keys pressed so far are
# played again on the new story, and where one no longer fits the replay stops and says so.
# Usage (under with-xvfb.sh): story_player_replay.sh PLAYER
player=$1
. "$(dirname "$0")/player_common.sh"

write "title: R" "== a" "One." "* On -> b" "== b" "Two." "* Out -> c" "* Again -> b" "== c" "End." "[end]"
start_player
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
expect_exit 0 "the replayed story"
pid=
echo "replayed the keys on two edits, and stopped where an option had gone"
