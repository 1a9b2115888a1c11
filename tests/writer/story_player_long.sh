#!/bin/sh
# The story player under X with text it cannot show whole: a line of 3,000 characters, then, by
# an edit (the space pressed so far played again), one of six million, each drawn as far as the
# window reaches; an edit whose error names a section of ten million characters, from a long
# path, shown alone and cut to the panel; all on a sound driver that has no device here, which
# the player never needs.
# Usage (under with-xvfb.sh, from the source tree's root): story_player_long.sh PLAYER
player=$1
. "$(dirname "$0")/player_common.sh"
folder=$work/a-folder-whose-name-alone-is-wider-than-the-window-of-the-player/and-another-one-as-long
mkdir -p "$folder"
story=$folder/t.story
# Written whole and renamed into place, as many editors save; the second argument, repeated as
# many times as the third says, stands where the first has @.
write() {
    python3 -c 'import sys; t, x, n = sys.argv[2:5]; open(sys.argv[1], "w").write(t.replace("@", x * int(n)))' \
        "$folder/new" "$1" "${2:-}" "${3:-0}"
    mv "$folder/new" "$story"
}
# The darkest pixel of the story panel's first line: black once text is on it.
darkest() { grab "$win" -crop 304x16+8+8 +repage -colorspace gray -format '%[fx:int(255*minima)]' info:; }
text_shown() { [ "$(darkest)" -lt 40 ] 2>/dev/null; }
key() { xdotool key --window "$win" "$1" 2>/dev/null; }

write "title: Long
== a
@
* On -> b
== b
Second.
[end]
" あ 3000
start_player alsa
wait_for_caption "Long - a"
key space
wait_until "line of 3,000 characters shown" text_shown

write "title: Longer
== a
@
* On -> b
== b
Second.
[end]
" い 6000000
# The space pressed so far is played again on the edited story.
wait_for_caption "Longer - a"
wait_until "line of six million characters shown" text_shown

write "== @
First.
[end]
== @
Second.
[end]
" c 10000000
wait_for_caption "Longer - a (the file has an error)"
wait_until "error shown" text_shown
# Alone: where the bottom panel stands, the window shows the picture.
grab "$win" -crop 304x16+8+220 +repage "$work/strip.png"
convert data/images/bg.jpg -crop 304x16+8+220 +repage "$work/picture.png"
differing=$(compare -metric AE -fuzz 2% "$work/strip.png" "$work/picture.png" null: 2>&1) || true
[ "$differing" = 0 ] || fail "the bottom panel is shown with the error ($differing pixels differ)"
grep -q "^$story:4:1: there is already a section named \"ccc" "$work/err" ||
    fail "the error is not on stderr"

# A key takes the writer back to the last good story, where the keys so far reach in it.
key space
wait_for_caption "Longer - a"
write "title: Mended
== a
First.
* On -> b
== b
Second.
[end]
"
wait_for_caption "Mended - a"
# The space pressed before the error is played again: First. is shown.
keys space 1 space space
expect_exit 0 "the mended story"
pid=
! grep -q ALSA "$work/err" || fail "the player opened a sound device"
echo "long lines shown cut, the long error shown alone, ended in section b"
