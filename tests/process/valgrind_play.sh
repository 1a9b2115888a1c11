#!/bin/sh
# A playthrough under memcheck: no invalid access and no definite leak (status 99 if any).
# Usage (under with-xvfb.sh): valgrind_play.sh GAME DATA_DIR SUPPRESSIONS
game=$1 data=$2 supp=$3
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
runner="valgrind --num-callers=40 --keep-debuginfo=yes --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --suppressions=$supp"
# Memcheck runs the game many times slower; over SDL 2 and Mesa's software GL a first frame has
# taken two minutes on a busy machine.
wait_seconds=300
d="$work/vg"; mkdir "$d"; link_data "$d"
start_game "$d"
keys space space space space space 3
keys space space space space space space space space space space space
expect_exit 0 valgrind
[ -f "$d/save.txt" ] || fail "no save.txt"
echo ok
