#!/bin/sh
# Two games in one directory, both ended by SIGTERM: one valid save.txt, no temporary files left.
# Usage (under with-xvfb.sh): twice.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
d="$work/both"; mkdir "$d"; link_data "$d"
(cd "$d" && exec "$game") & a=$!
(cd "$d" && exec "$game") & b=$!
# Both first frames drawn, so both games are in their loops before the signals.
pid=$a; wait_until "first frame from the first game" game_drawn
pid=$b; wait_until "first frame from the second game" game_drawn
kill -TERM "$a" "$b"
sa=0; wait "$a" || sa=$?
sb=0; wait "$b" || sb=$?
[ "$sa" -eq 0 ] && [ "$sb" -eq 0 ] || fail "exit statuses $sa $sb"
check_save "$d/save.txt" "$default"
left=$(cd "$d" && ls -A | grep -v -x -e data -e save.txt || true)
[ -z "$left" ] || fail "left behind: $left"
echo ok
