#!/bin/sh
# Faults injected by strace at each system call of a save, so that each lands where it is aimed:
# - SIGKILL at each call: save.txt holds the old record or the new one, never a mix, and the next
#   save removes the temporary file the killed one left;
# - a rename that fails: the backup is taken back, or named in the error when removing it fails;
# - two games at once, one of them held at a call: the old bytes survive in a backup, save.txt is
#   never missing, and no backup holds what the other game wrote.
# The portable build has no syncs or locks and leaves its temporary files.
# Usage: kill_during_save.sh GAME DATA_DIR NATIVE=yes|no
game=$1 data=$2 native=$3
. "$(dirname "$0")/common.sh"
# LeakSanitizer cannot run under strace.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
d="$work/run"; mkdir "$d"; link_data "$d"
spaceless=$(printf '%s' "$default" | tr -d ' ')
# Only the game itself, not strace's child before it runs the game, saves on SIGTERM.
started() {
    pid=$(pgrep -P "$1") && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = gorubadon ] && catches "$pid" 15 ||
        { running "$1" || fail "the game ended at start: $(cat "$work/stderr")"; false; }
}
# Runs the game in $d under strace with the options $1 and sends it SIGTERM; sets $tracer.
play() {
    # shellcheck disable=SC2086
    (cd "$d" && exec strace -f -qq -o "${trace:-/dev/null}" $1 "$game") 2>"$work/stderr" &
    tracer=$!
    wait_until "SIGTERM handler in the game" started "$tracer"
    kill -TERM "$pid"
}
# Waits for the game under strace $tracer; fails unless it exits with status $1 within seconds.
finish() {
    (sleep 20; kill -KILL "$tracer") 2>/dev/null &
    dog=$!
    status=0
    wait "$tracer" || status=$?
    kill "$dog" 2>/dev/null || true
    [ "$status" -eq "$1" ] || fail "$2: status $status, $(cat "$work/stderr")"
}
holds() { printf '%s' "$2" | cmp -s - "$d/$1"; }

# The calls of a save, in order; CALL:N is the Nth. Over an old record, no backup is made.
# How often the game makes each before it first reads save.txt depends on the SDL stack
# (sdl12-compat reads /dev/input at start): counted once, on the game's own thread, and each
# fault aimed past them.
trace="$work/trace"
play "-e trace=getdents64,flock,fchmod,write,fsync,link,rename,%file"
finish 0 "the counting play"
trace=
before() {
    awk -v call="$1" 'NR == 1 { game = $1 } $1 != game { next } /"save\.txt/ { exit }
        index($2, call "(") == 1 { n++ } END { print n + 0 }' "$work/trace"
}
n=0
for old in "$spaceless" typo; do
    backup= && [ "$old" != typo ] || backup=link
    calls="write $backup rename"
    [ "$native" = no ] || calls="getdents64 flock fchmod write fsync:1 $backup rename fsync:2"
    for at in $calls; do
        rm -f "$d"/save.txt* && printf '%s' "$old" >"$d/save.txt"
        call=${at%:*} when=1 && [ "$call" = "$at" ] || when=${at#*:}
        when=$((when + $(before "$call")))
        play "-e inject=$call:signal=KILL:when=$when"
        finish 137 "killed at $at"
        holds save.txt "$old" || holds save.txt "$default" ||
            fail "killed at $at: save.txt holds $(cat "$d/save.txt" 2>/dev/null || echo nothing)"
        play ""
        finish 0 "save after the kill at $at"
        holds save.txt "$default" || fail "after the kill at $at: save.txt holds $(cat "$d/save.txt")"
        left=$(cd "$d" && ls save.txt.tmp* 2>/dev/null || true)
        [ -z "$left" ] || [ "$native" = no ] || fail "after the kill at $at: $left stays"
        [ "$old" != typo ] || holds save.txt.bak typo || fail "killed at $at: no backup of typo"
        n=$((n + 1))
    done
done
echo "$n kills, each at its own call"

# A file that is not a record is backed up before the rename, which strace makes fail: the backup
# is taken back, or named in the error when removing it fails too.
rofs="save.txt: Read-only file system" faults="-e inject=rename,renameat,renameat2:error=EROFS"
for undo in works fails; do
    rm -f "$d"/save.txt* && printf typo >"$d/save.txt"
    [ "$undo" = works ] && want=$rofs kept= ||
        faults="$faults -e inject=unlink,unlinkat:error=EBUSY" want="$rofs; save.txt.bak stays: Device or resource busy" kept=typo
    play "$faults"
    finish 1 "undo that $undo"
    holds save.txt typo && [ "$(cat "$work/stderr")" = "$want" ] &&
        [ "$(cat "$d/save.txt.bak" 2>/dev/null || true)" = "$kept" ] ||
        fail "undo that $undo: $(cat "$work/stderr"); $(ls "$d")"
done

# Two games over one file that is not a record, the first held 1.5 s at a call of its save while
# the second saves. $1: the first game's options; $2: the owner of save.txt. Both play as nobody.
two_games() {
    rm -f "$d"/save.txt* && printf typo >"$d/save.txt" && chown "$2" "$d/save.txt"
    inotifywait -m -e delete,moved_from --format %f "$d" >"$work/gone" 2>"$work/watch.err" &
    watcher=$!
    wait_until "watch on $d" grep -q 'Watches established' "$work/watch.err"
    trace=$work/first
    play "-u nobody -e trace=link,linkat,rename $1"
    first=$tracer trace=
    # The second game starts once the first is held: strace writes a call's entry before its delay.
    wait_until "the first game held" grep -Eq '^[0-9]+ +(link|linkat|rename)\([^=]*$' "$work/first"
    play "-u nobody"
    finish 0 "the second game"
    tracer=$first
    finish 0 "the first game"
    kill "$watcher"
    ! grep -qx save.txt "$work/gone" || fail "save.txt was missing for a while: $(cat "$work/gone")"
    holds save.txt "$default" || fail "two games: save.txt holds $(cat "$d/save.txt")"
}
[ "$(id -u)" -eq 0 ] || { echo "ok; two games not played: they play as nobody, which needs root"; exit 0; }
held="delay_enter=1500000:when=1"
# Nobody may not reach the checkout (under /root, say): the game and its data are copied in.
cp "$game" "$d/gorubadon" && game=./gorubadon
for file in $(cd "$d" && find data -type l); do cp --remove-destination "$(readlink -f "$d/$file")" "$d/$file"; done
# Another user's file, to which no hard link may be made (protected_hardlinks): the backup is a
# copy, made under a free name, while the file stays in its place.
chown nobody "$d"
two_games "-e inject=rename:$held" root
backups=$(cd "$d" && grep -lx typo save.txt.bak* || true)
[ -n "$backups" ] || fail "two games over root's file: no backup holds typo ($(ls "$d"))"
# The player's own file: the first game's backup is made after the second game has saved, so
# the file holds the default record; no backup of that is kept.
two_games "-e inject=link,linkat:$held" nobody
holds save.txt.bak typo && [ ! -e "$d/save.txt.bak.1" ] ||
    fail "two games over the player's file: $(cd "$d" && grep -H . save.txt.bak*)"
echo ok
