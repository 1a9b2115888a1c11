#!/bin/sh
# Each data file missing on its own: its exact error, status 1, no save.txt; likewise the sound
# device, with a status of its own.
# Usage: missing_data.sh GAME DATA_DIR
game=$1 data=$2
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
try() { # relative path to remove, expected first line
    d="$work/$(basename "$1")"
    mkdir "$d"
    link_data "$d"
    rm "$d/$1"
    status=0
    (cd "$d" && "$game") 2>"$d.err" || status=$?
    [ "$status" -eq 1 ] || fail "without $1: status $status"
    printf '%s\nSDL message: ' "$2" >"$d.want"
    head -c "$(wc -c <"$d.want")" "$d.err" | cmp -s - "$d.want" ||
        fail "without $1: stderr was: $(cat "$d.err")"
    [ ! -e "$d/save.txt" ] || fail "without $1: save.txt written"
    ! ls "$d"/save.txt* >/dev/null 2>&1 || fail "without $1: a save file left"
}
try data/images/icon.bmp IMG_Load
try data/fonts/aqua2_8/aquafont.ttf TTF_OpenFontIndex
try data/images/bg.jpg IMG_Load
# No sound device: the status on which the start-up script tries again with SDL's dummy audio.
want=$(sed -n 's/^no_audio_device_status=//p' "$(dirname "$0")/../../dist/run-game.sh")
link_data "$work/no_audio"
status=0
(cd "$work/no_audio" && SDL_AUDIODRIVER=alsa AUDIODEV=none "$game") 2>"$work/no_audio.err" || status=$?
[ "$status" -eq "$want" ] && grep -qx Mix_OpenAudio "$work/no_audio.err" && [ ! -e "$work/no_audio/save.txt" ] ||
    fail "no sound device: status $status, stderr: $(cat "$work/no_audio.err")"
echo ok
