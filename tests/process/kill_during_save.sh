#!/bin/sh
# SIGKILL at fixed moments around the save: save.txt always holds the old record or the new one,
# never a mix. And a save whose rename fails takes its backup back, or names the one it could not.
# Usage: kill_during_save.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
# LeakSanitizer cannot run under strace.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
d="$work/run"; mkdir "$d"; link_data "$d"
# Many items, so that writing the file is more than one quick step. The old file holds the same
# record without spaces, so that every save writes.
awk 'BEGIN { printf "GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = [";
             for (i = 0; i < 200000; i++) printf "%s\"item%d\"", (i ? "," : ""), i;
             printf "]}" }' >"$work/want"
tr -d ' ' <"$work/want" >"$work/old"
# A save takes a few milliseconds on a fast disk, too short to aim a kill at. strace holds each
# fsync and rename 30 ms, so that the same kills land inside the write (before the rename) on any
# disk.
calls=fsync,rename,renameat,renameat2
slow_sync="-e trace=$calls -e inject=$calls:delay_enter=30000"
# The game itself, not strace's child before it runs the game, catches SIGTERM: until then the
# signal would end it without a save.
started() {
    pid=$(pgrep -P "$tracer") && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = gorubadon ] && catches "$pid" 15 ||
        { running "$tracer" || fail "$1: the game ended at start: $(cat "$work/stderr")"; false; }
}
# Runs the game under strace with the faults $1 until SIGTERM ends it; sets $status.
play() {
    # shellcheck disable=SC2086
    (cd "$d" && exec strace -f -qq -o /dev/null $1 "$game") 2>"$work/stderr" &
    tracer=$!
    wait_until "SIGTERM handler in the game" started "$2"
    kill -TERM "$pid"
}
# Delays from the moment the save makes its temporary file to SIGKILL. Every other kill follows at
# once, inside the write; the rest spread over the write, the rename and the folder's sync.
n=0 inside=0
for delay in 0 0.005 0 0.015 0 0.025 0 0.035 0 0.045 0 0.055 0 0.065 0 0.075 0 0.085 0 0.095; do
    cp "$work/old" "$d/save.txt"
    watch_dir "$d"
    play "$slow_sync" "round $n"
    watch_done || fail "round $n: no save after SIGTERM ($(running "$pid" || echo "the game ended; ")$(cat "$work/stderr"))"
    [ "$delay" = 0 ] || sleep "$delay"
    kill -KILL "$pid" 2>/dev/null || true
    wait "$tracer" 2>/dev/null || true
    cmp -s "$work/want" "$d/save.txt" || cmp -s "$work/old" "$d/save.txt" ||
        fail "round $n (kill ${delay}s into the save): save.txt is $(wc -c <"$d/save.txt") bytes of neither record"
    [ ! -e "$d/save.txt.bak" ] || fail "round $n: a whole record was backed up"
    # The temporary file is still there when the kill landed inside the write.
    [ ! -e "$d/$created" ] || inside=$((inside + 1))
    n=$((n + 1))
done
echo "$n rounds, $inside kills inside a write"
[ "$inside" -ge $((n / 3)) ] || fail "only $inside of $n kills landed inside a write"

# A file that is not a record is backed up before the rename, which strace makes fail: the backup
# is taken back, or named in the error when removing it fails too.
rofs="save.txt: Read-only file system"
for undo in works fails; do
    rm -f "$d"/save.txt*
    printf typo >"$d/save.txt"
    faults="-e inject=rename,renameat,renameat2:error=EROFS" want=$rofs kept=
    [ "$undo" = works ] || faults="$faults -e inject=unlink,unlinkat:error=EBUSY" \
        want="$rofs; save.txt.bak stays: Device or resource busy" kept=typo
    play "$faults" "undo that $undo"
    status=0
    wait "$tracer" || status=$?
    [ "$status" -eq 1 ] && [ "$(cat "$d/save.txt")" = typo ] && [ "$(cat "$work/stderr")" = "$want" ] &&
        [ "$(cat "$d/save.txt.bak" 2>/dev/null || true)" = "$kept" ] ||
        fail "undo that $undo: status $status, $(cat "$work/stderr"); $(ls "$d")"
done
echo ok
