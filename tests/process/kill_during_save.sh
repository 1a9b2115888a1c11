#!/bin/sh
# SIGKILL at random moments around the save: save.txt is always a whole record, never empty or cut.
# Usage: kill_during_save.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
d="$work/run"; mkdir "$d"; link_data "$d"
# Many items, so that writing the file is more than one quick step.
awk 'BEGIN { printf "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [";
             for (i = 0; i < 200000; i++) printf "%s\"item%d\"", (i ? "," : ""), i;
             printf "]}" }' >"$work/want"
cp "$work/want" "$d/save.txt"
# A save takes a few milliseconds on a fast disk, too short to aim a kill at. strace holds each
# fsync and rename 30 ms, so that the same kills land inside the write (before the rename) on any
# disk and with either way of writing.
calls=fsync,rename,renameat,renameat2
slow_sync="strace -f -qq -o /dev/null -e trace=$calls -e inject=$calls:delay_enter=30000"
# Delays from the moment the save makes its temporary file to SIGKILL. Every other kill follows at
# once, inside the write; the rest at random over the write, the rename and the folder's sync.
awk 'BEGIN { srand(); for (i = 0; i < 120; i++) printf "%.3f\n", i % 2 ? rand() * 0.08 : 0 }' >"$work/delays"
# The game itself, not strace's child before it runs the game, catches SIGTERM: until then the
# signal would end it without a save.
started() {
    pid=$(pgrep -P "$tracer") && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = gorubadon ] && catches "$pid" 15 ||
        { running "$tracer" || fail "round $n: the game ended at start: $(cat "$work/stderr")"; false; }
}
start=$(date +%s)
n=0 inside=0
while read -r delay; do
    # Twenty rounds at least, however slowly a busy machine or SDL 2 under strace starts the game.
    [ "$n" -lt 20 ] || [ $(($(date +%s) - start)) -lt 25 ] || break
    watch_dir "$d"
    # shellcheck disable=SC2086
    (cd "$d" && exec $slow_sync "$game") 2>"$work/stderr" &
    tracer=$!
    wait_until "SIGTERM handler in the game" started
    kill -TERM "$pid"
    watch_done || fail "round $n: no save after SIGTERM ($(running "$pid" || echo "the game ended; ")$(cat "$work/stderr"))"
    [ "$delay" = 0.000 ] || sleep "$delay"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$tracer" 2>/dev/null || true
    cmp -s "$work/want" "$d/save.txt" ||
        fail "round $n (kill ${delay}s into the save): save.txt is $(wc -c <"$d/save.txt") bytes, not the record"
    [ ! -e "$d/save.txt.bak" ] || fail "round $n: a whole record was backed up"
    # The temporary file is still there when the kill landed inside the write.
    [ ! -e "$d/$created" ] || inside=$((inside + 1))
    n=$((n + 1))
done <"$work/delays"
echo "$n rounds, $inside kills inside a write"
[ "$n" -ge 20 ] || fail "only $n rounds"
[ "$inside" -ge $((n / 3)) ] || fail "only $inside of $n kills landed inside a write"
echo ok
