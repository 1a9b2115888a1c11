#!/bin/sh
# SIGKILL at random moments around the save: save.txt is always a whole record, never empty or cut.
# Usage: kill_during_save.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
d="$work/run"; mkdir "$d"; link_data "$d"
# Many items, so writing the file takes long enough for the kills to land inside it.
awk 'BEGIN { printf "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [";
             for (i = 0; i < 200000; i++) printf "%s\"item%d\"", (i ? "," : ""), i;
             printf "]}" }' >"$work/want"
cp "$work/want" "$d/save.txt"
# Delays between SIGTERM and SIGKILL: the game takes about 0.3 s from SIGTERM to exit with this
# file, so 0-0.3 s spreads the kills over the whole save. The round count bounds the run.
awk 'BEGIN { srand(); for (i = 0; i < 300; i++) printf "%.3f\n", rand() * 0.3 }' >"$work/delays"
start=$(date +%s)
n=0
while read -r delay; do
    [ $(($(date +%s) - start)) -lt 25 ] || break
    (cd "$d" && exec "$game") 2>/dev/null &
    pid=$!
    # Let the game read the file and enter its loop, so SIGTERM starts a save.
    sleep 0.1
    kill -TERM "$pid" 2>/dev/null || true
    sleep "$delay"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cmp -s "$work/want" "$d/save.txt" ||
        fail "round $n (kill after ${delay}s): save.txt is $(wc -c <"$d/save.txt") bytes, not the record"
    [ ! -e "$d/save.txt.bak" ] || fail "round $n: a whole record was backed up"
    ls "$d" | grep '^save\.txt\.tmp' >>"$work/left" || true
    n=$((n + 1))
done <"$work/delays"
[ "$n" -ge 20 ] || fail "only $n rounds"
# A kill inside a write leaves a temporary file, which the next start removes.
echo "ok: $n rounds, $(sort -u "$work/left" | wc -l) interrupted writes"
