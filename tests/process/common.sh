# Shared by the process tests: a fresh working dir holding links to the repo's data, and waits for
# what a test needs (a file, a drawn window, a changed picture) instead of fixed sleeps.
# Usage: . common.sh; needs $data (the repo's data dir). $wait_seconds bounds each wait (default 30).
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
default='GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}'
# The files the game opens, as engine/look.hpp names them (data/...), linked into DIR/data.
link_data() {
    files=$(sed -n 's/^.*Path = "\(data\/[^"]*\)".*$/\1/p' "$data/../engine/look.hpp")
    [ -n "$files" ] || fail "engine/look.hpp names no data files"
    for f in $files; do
        mkdir -p "$1/$(dirname "$f")"
        ln -s "$data/${f#data/}" "$1/$f"
    done
}
# Exact file content, no trailing newline allowed.
check_save() {
    [ -f "$1" ] || fail "$1 missing"
    printf '%s' "$2" | cmp -s - "$1" || fail "$1 holds: $(cat "$1")"
}

# Runs COMMAND until it succeeds; fails naming WHAT after $wait_seconds (30 unless set).
# Usage: wait_until WHAT COMMAND [ARGS...]
wait_until() {
    what=$1
    shift
    deadline=$(($(date +%s) + ${wait_seconds:-30}))
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || fail "no $what after ${wait_seconds:-30} s"
        sleep 0.02
    done
}
wait_file() { wait_until "$1" test -e "$1"; }
# Watches dir $1 for the next file made in it; watch_done then waits for that (false after
# $wait_seconds) and puts its name in $created. Set up before the act that makes the file, so that
# none is missed.
watch_dir() {
    inotifywait -t "${wait_seconds:-30}" -e create --format %f "$1" >"$work/created" 2>"$work/watch.err" &
    watcher=$!
    wait_until "watch on $1" grep -q 'Watches established' "$work/watch.err"
}
watch_done() {
    wait "$watcher" || return 1
    created=$(cat "$work/created")
}
# True while process $1 runs (an exited child stays a zombie until waited for).
running() {
    state=$(sed 's/.*) //; s/ .*//' "/proc/$1/stat" 2>/dev/null) || return 1
    [ -n "$state" ] && [ "$state" != Z ]
}
# True once process $1 catches signal number $2: before that, the signal would kill it unsaved.
catches() {
    mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && [ $((0x$mask >> ($2 - 1) & 1)) -eq 1 ]
}
# ImageMagick's import of window $1, bounded: it can hang on a window destroyed while it reads it.
grab() {
    id=$1
    shift
    timeout 10 import -silent -window "$id" "$@" 2>/dev/null
}
# A hash of the whole screen, which no game can take away while it is read: the tests' X server is
# their own, so it changes when a game's picture does, or when its window goes.
screen_hash() { grab root rgb:- | md5sum; }

# True once game $pid shows a drawn frame; sets $win. SDL may replace its first window while
# setting the video mode, so the newest visible one counts, and a blank one is not drawn yet.
game_drawn() {
    running "$pid" || fail "the game exited before its first frame"
    win=$(xdotool search --onlyvisible --pid "$pid" --classname gorubadon 2>/dev/null | tail -n 1)
    [ -n "$win" ] && [ "$(grab "$win" -format '%k' info:)" -gt 1 ] 2>/dev/null
}
# Starts the game in dir $1 in the background (under X, through $runner if set), sets $pid and
# $win once its first frame shows: from then on it reads keys in its loop.
start_game() {
    (cd "$1" && exec ${runner:-} "$game") &
    pid=$!
    wait_until "first frame from the game" game_drawn
}
# Sends keys one at a time, each once the game has answered the last (its picture changed, or it
# has gone): two presses of one key queued together would read as a key repeat. A key that ends
# the game may take the window away before its release is sent.
keys() {
    for k in "$@"; do
        before=$(screen_hash)
        if ! xdotool key --window "$win" "$k" 2>"$work/xdotool.err" &&
            xwininfo -id "$win" >/dev/null 2>&1; then
            cat "$work/xdotool.err" >&2
            fail "key $k"
        fi
        wait_until "answer to key $k" answered
    done
}
answered() { ! running "$pid" || [ "$(screen_hash)" != "$before" ]; }
# Waits for the game, for $wait_seconds at most; fails unless it exits with status $1.
ended() { ! running "$pid"; }
expect_exit() {
    wait_until "end of the game" ended
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq "$1" ] || fail "$2: exit status $status"
}

# The web engine folder $1 when make web has built it there, else a stand-in made in $work as make
# web lays one out: templates with every placeholder (and the test's folder, to know them by),
# the rest as bytes. Prints the folder's path.
web_engine() {
    if [ -n "$1" ] && [ -f "$1/sw.js" ]; then
        echo "$1"
        return
    fi
    engine=$work/engine
    mkdir "$engine"
    printf '<title>@TITLE@</title>\n<p data-look="@LOOK@" data-store="@STORE@" lang="@LANG@">@PICTURE@ @WIDTH@x@HEIGHT@ a@b @@\n<!-- %s -->\n' \
        "$work" >"$engine/index.html"
    printf '{"name": "@TITLE@", "short_name": "@TITLE@"}\n' >"$engine/manifest.webmanifest"
    printf "const version = '@PAGE_VERSION@';\nconst files = [@PAGE_FILES@];\n" >"$engine/sw.js"
    for f in gorubadon.js gorubadon.wasm page.css page.js; do echo "$f" >"$engine/$f"; done
    cp "$data/images/icon.bmp" "$engine/"
    cp "$data/images/icon-32.png" "$engine/icon.png"
    cp "$data/images/icon-64.png" "$engine/icon-192.png"
    cp "$data/images/icon-256.png" "$engine/icon-512.png"
    echo "$engine"
}
