#!/bin/sh
# What the story program is given in place of a story file or a picture: a pipe, a device, a
# folder, a file that is no image or of the wrong size, a line too long to show, no display. Each
# gets one line that names the file and what it is, at once, and a failure status.
# Usage: story_tool_files.sh PLAYER (from the source tree's root)
set -u
player=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
# story NAME LINE...: a story file of these lines.
story() {
    file=$work/$1.story
    shift
    printf '%s\n' "$@" >"$file"
}

mkfifo "$work/pipe.story" "$work/pipe.png"
mkdir "$work/folder.story"
printf 'Words, not pixels.\n' >"$work/text.png"
cp data/images/icon-64.png "$work/small.png"
cp data/images/bg.jpg "$work/right.jpg"
story pipe_picture "picture: pipe.png" "== a" "Hi." "[end]"
story text_picture "picture: text.png" "== a" "Hi." "[end]"
story small_picture "picture: small.png" "== a" "Hi." "[end]"
story right_picture "picture: right.jpg" "== a" "Hi." "[end]"
python3 -c "import sys; open(sys.argv[1], 'w').write('== a\n' + 'あ' * 6000000 + '\n[end]\n')" \
    "$work/long.story"

# command, file, status, then the whole output (both streams) as a pattern, with @ for the folder
while IFS='|' read -r command file want expected; do
    [ -n "$command" ] || continue
    path=$work/$file
    [ "$file" != /dev/zero ] || path=$file
    # A reader that blocks is cut off, and fails the case: it should not wait at all (the long
    # line takes its time in a sanitizer build).
    out=$(SDL_VIDEODRIVER=dummy timeout 60 "$player" "$command" "$path" 2>&1)
    status=$?
    expected=$(printf '%s' "$expected" | sed "s|@|$work|g")
    [ "$status" -eq "$want" ] || fail "$command $file: status $status, not $want"
    # shellcheck disable=SC2254 # a pattern: SDL_image's own words vary between its releases
    case $out in $expected) ;; *) fail "$command $file: said
$out
instead of
$expected" ;;
    esac
done <<'CASES'
check|pipe.story|1|@/pipe.story: is not a regular file (a pipe, a device or a socket); a story file is read only from a file
map|pipe.story|1|@/pipe.story: is not a regular file (a pipe, a device or a socket); a story file is read only from a file
play|pipe.story|1|@/pipe.story: is not a regular file (a pipe, a device or a socket); a story file is read only from a file
check|/dev/zero|1|/dev/zero: is not a regular file (a pipe, a device or a socket); a story file is read only from a file
check|folder.story|1|@/folder.story: is a directory, not a story file
check|.|1|@/.: is a directory, not a story file
map|folder.story|1|@/folder.story: is a directory, not a story file
check|pipe_picture.story|1|@/pipe_picture.story:1: the picture @/pipe.png is not a regular file (a pipe, a device or a socket); a picture is read only from a file
play|pipe_picture.story|1|@/pipe_picture.story:1: the picture @/pipe.png is not a regular file (a pipe, a device or a socket); a picture is read only from a file
check|text_picture.story|1|@/text_picture.story:1: the picture @/text.png is not an image that can be shown (*)
play|text_picture.story|1|@/text_picture.story:1: the picture @/text.png is not an image that can be shown (*)
check|small_picture.story|1|@/small_picture.story:1: the picture @/small.png is 64x64; the window is 320x240
check|right_picture.story|0|
check|long.story|1|@/long.story:2: section "a": line is too long to measure, far wider than the panel's 304 px
CASES

# Without a display the window cannot open: one line, not text art on the terminal.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u SDL_VIDEO_DRIVER timeout 20 \
    "$player" play "$work/right_picture.story" 2>&1)
status=$?
[ "$status" -eq 1 ] || fail "play without a display: status $status"
[ "$out" = "gorubadon-story: no display to open the window on: neither DISPLAY nor WAYLAND_DISPLAY is set" ] ||
    fail "play without a display said: $(printf '%s' "$out" | head -c 300)"
[ "$failed" -eq 0 ] && echo "every file refused in one line"
exit "$failed"
