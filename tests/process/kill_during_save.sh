#!/bin/sh
# SIGKILL at random moments around the save: save.txt is always a whole record, never empty or cut.
# Usage: kill_during_save.sh GAME DATA_DIR [ITEMS]
game=$1 data=$2 items=${3:-500000}
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
d="$work/run"; mkdir "$d"; link_data "$d"
# Many items, so that writing the file takes long enough for the kills to land inside it.
awk -v n="$items" 'BEGIN { printf "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [";
             for (i = 0; i < n; i++) printf "%s\"item%d\"", (i ? "," : ""), i;
             printf "]}" }' >"$work/want"
cp "$work/want" "$d/save.txt"
# Delays from the moment the save makes its temporary file to SIGKILL. Every other kill follows
# at once, inside the write; the rest at random over the write (some 30 ms here), the rename and
# just after.
awk 'BEGIN { srand(); for (i = 0; i < 120; i++) printf "%.3f\n", i % 2 ? rand() * 0.08 : 0 }' >"$work/delays"
started() {
    catches "$pid" 15 || { running "$pid" || fail "round $n: the game ended at start: $(cat "$work/stderr")"; false; }
}
start=$(date +%s)
n=0 inside=0
while read -r delay; do
    [ $(($(date +%s) - start)) -lt 25 ] || break
    watch_dir "$d"
    (cd "$d" && exec "$game") 2>"$work/stderr" &
    pid=$!
    # Until SDL catches SIGTERM, the signal would end the game without a save.
    wait_until "SIGTERM handler in the game" started
    kill -TERM "$pid"
    watch_done || fail "round $n: no save after SIGTERM ($(running "$pid" || echo "the game ended; ")$(cat "$work/stderr"))"
    [ "$delay" = 0.000 ] || sleep "$delay"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cmp -s "$work/want" "$d/save.txt" ||
        fail "round $n (kill ${delay}s into the save): save.txt is $(wc -c <"$d/save.txt") bytes, not the record"
    [ ! -e "$d/save.txt.bak" ] || fail "round $n: a whole record was backed up"
    # The temporary file is still there when the kill landed inside the write.
    [ ! -e "$d/$created" ] || inside=$((inside + 1))
    n=$((n + 1))
done <"$work/delays"
echo "$n rounds, $inside kills inside a write"
[ "$n" -ge 20 ] || fail "only $n rounds"
# A kill inside a write leaves a temporary file, which the next start removes: only the last one's
# may be left.
left=$(ls "$d" | grep -c '^save\.txt\.tmp' || true)
[ "$left" -le 1 ] || fail "$left temporary files left behind"
[ "$inside" -ge $((n / 3)) ] || fail "only $inside of $n kills landed inside a write"
echo ok
