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
awk -v s="$signals" 'BEGIN { srand(); n = split(s, a); for (i = 0; i < 8; i++) printf "%s %.3f\n", a[i % n + 1], rand() * 0.6 }' >"$work/moments"
# Measured to the save, which the game writes as soon as its loop ends.
saved_at_once() {
    check_save "$1/save.txt" "$default"
    late=$((($(date -r "$1/save.txt" +%s%N) - $(cat "$work/sent")) / 1000000))
    [ "$late" -lt 250 ] || fail "$2: saved $late ms later"
}
n=0
while read -r sig delay; do
    d="$work/$n"; mkdir "$d"; link_data "$d"
    start_game "$d"
    sleep "$delay"
    date +%s%N >"$work/sent"
    kill -"$sig" "$pid"
    # A game that never wakes would hang the test: it gets 3 s.
    (sleep 3; kill -KILL "$pid") 2>/dev/null &
    dog=$!
    expect_exit 0 "SIG$sig after ${delay}s"
    kill "$dog"
    saved_at_once "$d" "SIG$sig after ${delay}s"
    n=$((n + 1))
done <"$work/moments"
[ "$native" = yes ] || { echo "ok: $n runs"; exit 0; }

# Stopped where the queue has been found empty and the sleep is about to start, the game gets
# SIGTERM: a sleep that does not take the signal mask with it would miss the wake-up.
d="$work/held"; mkdir "$d"; link_data "$d"
cat >"$work/held.py" <<EOF
class Held(gdb.Breakpoint):
    def stop(self):
        caller = gdb.selected_frame().older()
        return caller is not None and "sleepOnConnection" in (caller.name() or "")
gdb.execute("set breakpoint pending on")
gdb.execute("handle SIGTERM nostop noprint")
Held("ppoll"), Held("poll")
gdb.execute("run")
gdb.execute("delete")
gdb.execute("shell date +%%s%%N >$work/sent; kill -TERM %d" % gdb.selected_inferior().pid)
gdb.execute("continue")
EOF
(cd "$d" && exec gdb -q -batch -x "$work/held.py" "$game") >"$work/gdb" 2>&1 || fail "gdb: $(cat "$work/gdb")"
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
