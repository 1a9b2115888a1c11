#!/bin/sh
# Runs a command under a private Xvfb server, so live tests never share a display.
# Its root is black, so a window not drawn yet reads as black.
# Usage: with-xvfb.sh [--depth 8|15|16|24] [--size WIDTHxHEIGHT] COMMAND [ARGS...]
# (the depth defaults to 24, the size to 640x480)
set -eu
depth=24
size=640x480
while :; do
    case ${1:-} in
    --depth) depth=$2 ;;
    --size) size=$2 ;;
    *) break ;;
    esac
    shift 2
done
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$size"x"$depth" -br -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT INT TERM
i=0
while [ ! -s "$dir/display" ]; do
    i=$((i + 1))
    if [ "$i" -gt 200 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        cat "$dir/log" >&2
        echo "with-xvfb: Xvfb did not start" >&2
        exit 1
    fi
    sleep 0.05
done
DISPLAY=:$(head -n 1 "$dir/display")
export DISPLAY
status=0
"$@" || status=$?
exit "$status"
