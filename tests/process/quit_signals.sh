#!/bin/sh
# Every way out that can be caught saves. A quit signal at a random moment while the game idles,
# or held by a debugger until the instant before the game goes to sleep, ends it at once with
# status 0 and the record saved. When the X server goes away, the game saves and exits with
# status 1 and one line on stderr. The portable build catches only SIGTERM and SIGINT.
# Usage (under with-xvfb.sh): quit_signals.sh GAME DATA_DIR NATIVE=yes|no
game=$1 data=$2 native=$3
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
# A script's background jobs start with SIGINT and SIGQUIT ignored, and the game leaves them so.
runner="env --default-signal=INT,QUIT"
signals="TERM INT" && [ "$native" = no ] || signals="TERM INT HUP QUIT"
# Measured to the save, which the game writes as soon as its loop ends; not in the portable build,
# which is the sanitizers' and slow.
saved_at_once() {
    check_save "$1/save.txt" "$default"
    late=$((($(date -r "$1/save.txt" +%s%N) - $(cat "$work/sent")) / 1000000))
    [ "$native" = no ] || [ "$late" -lt 250 ] || fail "$2: saved $late ms later"
}
n=0
for sig in $signals $signals; do
    d="$work/$n"; mkdir "$d"; link_data "$d"
    start_game "$d"
    delay=$(awk "BEGIN { srand($$ + $n); printf \"%.3f\", rand() * 0.6 }") && sleep "$delay"
    date +%s%N >"$work/sent"
    kill -"$sig" "$pid"
    # A game that never wakes would hang the test: it gets 10 s (a sanitizer's exit is slow).
    (sleep 10; kill -KILL "$pid") 2>/dev/null &
    dog=$!
    expect_exit 0 "SIG$sig after ${delay}s"
    kill "$dog"
    saved_at_once "$d" "SIG$sig after ${delay}s"
    n=$((n + 1))
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
    -ex "python import os; os.system('date +%s%N >$work/sent'); os.kill(gdb.selected_inferior().pid, 15)" \
    -ex continue "$game") >"$work/gdb" 2>&1 || fail "gdb: $(cat "$work/gdb")"
grep -q 'exited normally' "$work/gdb" || fail "held SIGTERM: $(cat "$work/gdb")"
saved_at_once "$d" "held SIGTERM"

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
