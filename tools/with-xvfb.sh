#!/bin/sh
# Runs a command under a private Xvfb server: xvfb-run takes a free display, trying the next while
# another is taken, so live tests never share one. Its root is black, so a window not drawn yet
# reads as black.
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
exec xvfb-run -a -s "-screen 0 ${size}x$depth -br -noreset" "$@"
