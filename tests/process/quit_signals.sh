#!/bin/sh
# SIGTERM and SIGINT at random moments while the game idles, over more than one of the wait's
# wake-up cycles: each run ends at once, with status 0 and the record saved.
# Usage (under with-xvfb.sh): quit_signals.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# A script's background jobs start with SIGINT ignored, and SDL leaves an ignored signal alone.
runner="env --default-signal=INT"
awk 'BEGIN { srand(); for (i = 0; i < 16; i++) printf "%s %.3f\n", i % 2 ? "INT" : "TERM", rand() * 0.6 }' >"$work/moments"
n=0
while read -r sig delay; do
    d="$work/$n"; mkdir "$d"; link_data "$d"
    start_game "$d"
    sleep "$delay"
    sent=$(date +%s%N)
    kill -"$sig" "$pid"
    # A game that never wakes would hang the test: it gets 3 s.
    (sleep 3; kill -KILL "$pid") 2>/dev/null &
    dog=$!
    expect_exit 0 "SIG$sig after ${delay}s"
    kill "$dog"
    check_save "$d/save.txt" "$default"
    # Measured to the save, which the game writes as soon as its loop ends.
    late=$((($(date -r "$d/save.txt" +%s%N) - sent) / 1000000))
    [ "$late" -lt 250 ] || fail "SIG$sig after ${delay}s: saved $late ms later"
    n=$((n + 1))
done <"$work/moments"
echo "ok: $n runs"
