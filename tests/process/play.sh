#!/bin/sh
# The real binary under X with real key presses: each way out saves the record.
# Usage (under with-xvfb.sh): play.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
runner=
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
fresh() { d="$work/$1"; mkdir "$d"; link_data "$d"; }

# The defeat path to its end; the last space closes the game.
fresh ending
start_game "$d"
keys space space space space space 1 space space space space space space space
expect_exit 0 ending
check_save "$d/save.txt" "$default"

# Left Alt+F4 in the middle of the story.
fresh altf4
start_game "$d"
keys space space alt+F4
expect_exit 0 alt+F4
check_save "$d/save.txt" "$default"

# SIGTERM in the middle of the story. (How seldom the idle game wakes is make measure's figure.)
fresh sigterm
start_game "$d"
keys space space
kill -TERM "$pid"
expect_exit 0 SIGTERM
check_save "$d/save.txt" "$default"

# A valid record with items survives a run byte for byte.
fresh kept
rec='GameData {hp = 3, hpMax = 12, turn = 7, gold = 42, items = ["herb","\34220\33609"]}'
printf '%s' "$rec" >"$d/save.txt"
start_game "$d"
keys space
kill -TERM "$pid"
expect_exit 0 "valid save"
check_save "$d/save.txt" "$rec"
[ ! -e "$d/save.txt.bak" ] || fail "valid save backed up"

# A malformed file is kept aside and replaced by the default.
fresh malformed
printf 'GameData {hp = oops' >"$d/save.txt"
start_game "$d"
keys space
kill -TERM "$pid"
expect_exit 0 "malformed save"
check_save "$d/save.txt" "$default"
check_save "$d/save.txt.bak" 'GameData {hp = oops'

# French AZERTY, where the &/1 key types 1 only with Shift: the defeat path to its end again.
setxkbmap fr
fresh azerty
start_game "$d"
keys space space space space space shift+ampersand space space space space space space space
expect_exit 0 "Shift+&/1 on a French keyboard"
echo ok
