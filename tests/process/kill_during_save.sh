#!/bin/sh
# SIGKILL at fixed moments around the save: save.txt always holds the old record or the new one,
# never a mix. And a save whose rename fails takes its backup back, or names the one it could not.
# Usage: kill_during_save.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
# LeakSanitizer cannot run under strace.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
d="$work/run"; mkdir "$d"; link_data "$d"
# Many items, so that writing the file is more than one quick step. The old file holds the same
# record without spaces, so that every save writes.
awk 'BEGIN { printf "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [";
             for (i = 0; i < 200000; i++) printf "%s\"item%d\"", (i ? "," : ""), i; printf "]}" }' >"$work/want"
tr -d ' ' <"$work/want" >"$work/old"
# A save takes a few milliseconds, too short to aim a kill at: strace holds each write, sync and
# rename 30 ms, so that the same kills land inside the write on any disk, with or without syncs.
calls=write,fsync,rename,renameat,renameat2
# Only the game itself, not strace's child before it runs the game, saves on SIGTERM.
started() {
    pid=$(pgrep -P "$tracer") && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = gorubadon ] && catches "$pid" 15 ||
        { running "$tracer" || fail "$1: the game ended at start: $(cat "$work/stderr")"; false; }
}
# Runs the game under strace with the faults $1 and sends it SIGTERM.
play() {
    # shellcheck disable=SC2086
    (cd "$d" && exec strace -f -qq -o /dev/null $1 "$game") 2>"$work/stderr" &
    tracer=$!
    wait_until "SIGTERM handler in the game" started "$2"
    kill -TERM "$pid"
}
# Every other kill follows the temporary file's creation at once; the rest spread over the write,
# the rename and the folder's sync.
n=0 inside=0
for delay in 0 0.005 0 0.015 0 0.025 0 0.035 0 0.045 0 0.055 0 0.065 0 0.075 0 0.085 0 0.095; do
    cp "$work/old" "$d/save.txt"
    watch_dir "$d"
    play "-e trace=$calls -e inject=$calls:delay_enter=30000" "round $n"
    watch_done || fail "round $n: no save after SIGTERM ($(running "$pid" || echo "the game ended; ")$(cat "$work/stderr"))"
    [ "$delay" = 0 ] || sleep "$delay"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$tracer" 2>/dev/null || true
    cmp -s "$work/want" "$d/save.txt" || cmp -s "$work/old" "$d/save.txt" ||
        fail "round $n (kill ${delay}s into the save): save.txt is $(wc -c <"$d/save.txt") bytes of neither record"
    [ ! -e "$d/save.txt.bak" ] || fail "round $n: a whole record was backed up"
    [ ! -e "$d/$created" ] || inside=$((inside + 1)) # the temporary file stays when killed in the write
    n=$((n + 1))
done
echo "$n rounds, $inside kills inside a write"
[ "$inside" -ge $((n / 3)) ] || fail "only $inside of $n kills landed inside a write"

# A file that is not a record is backed up before the rename, which strace makes fail: the backup
# is taken back, or named in the error when removing it fails too.
rofs="save.txt: Read-only file system" faults="-e inject=rename,renameat,renameat2:error=EROFS"
for undo in works fails; do
    rm -f "$d"/save.txt* && printf typo >"$d/save.txt"
    [ "$undo" = works ] && want=$rofs kept= ||
        faults="$faults -e inject=unlink,unlinkat:error=EBUSY" want="$rofs; save.txt.bak stays: Device or resource busy" kept=typo
    play "$faults" "undo that $undo"
    status=0
    wait "$tracer" || status=$?
    [ "$status" -eq 1 ] && [ "$(cat "$d/save.txt")" = typo ] && [ "$(cat "$work/stderr")" = "$want" ] &&
        [ "$(cat "$d/save.txt.bak" 2>/dev/null || true)" = "$kept" ] ||
        fail "undo that $undo: status $status, $(cat "$work/stderr"); $(ls "$d")"
done
echo ok
