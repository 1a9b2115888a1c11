#!/bin/sh
# Every way out that can be caught saves. A quit signal delivered by strace at a fixed call of the
# idle game (its check for X events, its sleep), or held by a debugger until the instant before
# the game goes to sleep, ends it with status 0 and the record saved, within seconds. When the X
# server goes away, the game saves and exits with status 1 and one line on stderr. The portable
# build catches only SIGTERM and SIGINT, and sleeps in short naps.
# Usage (under with-xvfb.sh): quit_signals.sh GAME DATA_DIR NATIVE=yes|no
game=$1 data=$2 native=$3
. "$(dirname "$0")/common.sh"
# LeakSanitizer cannot run under strace.
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
signals="TERM INT" && [ "$native" = no ] || signals="TERM INT HUP QUIT"
sleep_call=clock_nanosleep:20 && [ "$native" = no ] || sleep_call=ppoll:2
# Classic SDL checks for X events with pselect6; sdl12-compat with poll, which it also calls by the
# hundred at start, so over it the game's own sleep is the one fixed call.
lib=$(ldd "$game" | awk '$1 ~ /^libSDL-1\.2\.so/ { print $3 }')
check_call=pselect6:4 && ! grep -q SDL12COMPAT "$lib" || check_call=
# Ends process $1 after 10 s, which a sanitizer's exit needs at most: a game that never wakes
# would hang the test.
watchdog() { (sleep 10; kill -KILL "$1") 2>/dev/null & dog=$!; }
n=0
for sig in $signals; do
    for at in $check_call $sleep_call; do
        d="$work/$n"; mkdir "$d"; link_data "$d"
        # A script's background jobs start with SIGINT and SIGQUIT ignored, and the game leaves
        # them so.
        (cd "$d" && exec env --default-signal=INT,QUIT strace -f -qq -o /dev/null \
            -e inject="${at%:*}:signal=$sig:when=${at#*:}" "$game") 2>"$work/stderr" &
        pid=$!
        watchdog "$pid"
        expect_exit 0 "SIG$sig at $at ($(cat "$work/stderr"))"
        kill "$dog"
        check_save "$d/save.txt" "$default"
        n=$((n + 1))
    done
done
[ "$native" = yes ] || { echo "ok: $n runs"; exit 0; }

# Stopped where the queue has been found empty and the sleep is about to start, the game gets
# SIGTERM: a sleep that does not take the signal mask with it would miss the wake-up.
d="$work/held"; mkdir "$d"; link_data "$d"
cat >"$work/held.py" <<EOF
class Held(gdb.Breakpoint):
    def stop(self):
        caller = gdb.selected_frame().older()
        return caller is not None and "sleepOnConnection" in (caller.name() or "")
Held("ppoll"), Held("poll")
EOF
(cd "$d" && exec gdb -q -batch -ex 'set breakpoint pending on' -ex 'handle SIGTERM nostop noprint' \
    -x "$work/held.py" -ex run -ex delete \
    -ex "python import os; os.kill(gdb.selected_inferior().pid, 15)" \
    -ex continue "$game") >"$work/gdb" 2>&1 || fail "gdb: $(cat "$work/gdb")"
grep -q 'exited normally' "$work/gdb" || fail "held SIGTERM: $(cat "$work/gdb")"
check_save "$d/save.txt" "$default"

# The X server goes away.
d="$work/gone"; mkdir "$d"; link_data "$d"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
wait_until "second X server" test -s "$work/display"
DISPLAY=:$(cat "$work/display")
start_game "$d" 2>"$work/stderr"
kill "$xvfb"
expect_exit 1 "X server gone"
check_save "$d/save.txt" "$default"
[ "$(wc -l <"$work/stderr")" -eq 1 ] || fail "X server gone, stderr: $(cat "$work/stderr")"
echo "ok: $((n + 2)) runs"
