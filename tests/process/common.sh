# Shared by the process tests: a fresh working dir holding links to the repo's data.
# Usage: . common.sh; needs $data (the repo's data dir).
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
default='GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}'
link_data() {
    mkdir -p "$1/data/images" "$1/data/fonts/aqua2_8"
    ln -s "$data/images/icon.bmp" "$1/data/images/icon.bmp"
    ln -s "$data/images/bg.jpg" "$1/data/images/bg.jpg"
    ln -s "$data/fonts/aqua2_8/aquafont.ttf" "$1/data/fonts/aqua2_8/aquafont.ttf"
}
# Exact file content, no trailing newline allowed.
check_save() {
    [ -f "$1" ] || fail "$1 missing"
    printf '%s' "$2" | cmp -s - "$1" || fail "$1 holds: $(cat "$1")"
}
# Starts the game in dir $1 in the background (under X), sets $pid and $win.
start_game() {
    (cd "$1" && exec $runner "$game") &
    pid=$!
    xdotool search --sync --classname gorubadon >/dev/null
    # SDL may replace its first window while setting the video mode: take the newest one.
    sleep 0.3
    win=$(xdotool search --classname gorubadon | tail -n 1)
}
# Sends keys one at a time: the game must see each press separately.
keys() {
    for k in "$@"; do
        xdotool key --window "$win" "$k" 2>"$work/xdotool.err" || { cat "$work/xdotool.err" >&2; fail "key $k"; }
        sleep 0.1
    done
}
# Waits for the game; fails unless it exits with status $2.
expect_exit() {
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq "$1" ] || fail "$2: exit status $status"
}
# Runs a check until it succeeds, every 50 ms for at most $1 seconds; fails naming what ($2) never came.
wait_for() {
    limit=$1 what=$2
    shift 2
    end=$(($(date +%s) + limit))
    until "$@" >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$end" ] || fail "no $what after ${limit}s"
        sleep 0.05
    done
}
