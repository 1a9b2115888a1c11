#!/bin/sh
# Installed into a DESTDIR and started by its launcher from an unrelated folder, as a player would:
# the game plays, saves in the player's own folder and writes nowhere else. No sound device there:
# the launcher says so once and plays with SDL's dummy driver. (launcher.sh passes signals on.)
# Usage (under with-xvfb.sh): install.sh BUILD_DIR
build=$1
. "$(dirname "$0")/common.sh"
prefix="/opt/my games"
dest=$work/dest
root=$dest$prefix
DESTDIR=$dest cmake --install "$build" --prefix "$prefix" >/dev/null
desktop-file-validate "$root/share/applications/gorubadon.desktop" || fail "desktop entry"
# The story player finds the installed font from its own place, wherever it is started.
ferry=$(cd "$(dirname "$0")/../.." && pwd)/examples/ferry/ferry.story
(cd "$work" && "$root/games/gorubadon-story" check "$ferry") >&2 || fail "the installed story player"
grep -qx "Exec=\"$prefix/games/gorubadon\"" "$root/share/applications/gorubadon.desktop" ||
    fail "desktop entry: $(grep Exec "$root/share/applications/gorubadon.desktop")"

export HOME="$work/home" SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=alsa AUDIODEV=none
unset XDG_DATA_HOME
mkdir "$HOME" "$work/tmp" "$work/cwd"
player=$HOME/.local/share/gorubadon
# A folder's own time shows even a file made and removed again. The start-up script holds the
# game's messages in a file it removes at once from the temporary folder: nothing may stay there.
listing() { find "$dest" "$work/cwd" "$work/tmp" ! -path "$work/tmp" -printf '%p %s %T@\n' | sort; }
listing >"$work/before"

# The top of the story panel, where the first line is drawn. Before the first frame it shows the
# server's black root.
panel() {
    timeout 5 import -silent -window "$win" -crop 304x24+8+8 +repage "rgb:$work/panel.rgb" && md5sum <"$work/panel.rgb"
}
differs() { now=$(panel) && [ "$now" != "$1" ]; }
# The game's window is the one with the caption and a frame. The launcher's first try opens a window
# before it stops at the audio device, and may show it drawn: the launcher says so once that try has
# gone. SDL may make and replace a window on the way, so a window gone when read is looked for again.
black=$(head -c $((304 * 24 * 3)) /dev/zero | md5sum)
drawn() {
    for win in $(xdotool search --classname gorubadon); do
        xprop -id "$win" _NET_WM_NAME | grep -q '"ゴルバドン"$' && differs "$black" && return 0
    done
    return 1
}
(cd "$work/cwd" && TMPDIR=$work/tmp exec "$root/games/gorubadon") 2>"$work/err" &
pid=$!
wait_seconds=20
wait_until "word of the retry with silent audio" grep -q "no sound device" "$work/err"
shown() { drawn && before=$(panel); }
wait_until "window with its caption and first frame" shown
keys space
wait_until "line drawn" differs "$before"
# The game closes on the press, so xdotool's later releases may find no window: the exit tells.
xdotool key --window "$win" alt+F4 2>/dev/null || true
expect_exit 0 "closed"
check_save "$player/save.txt" "$default"
[ "$player/data" -ef "$root/share/games/gorubadon/data" ] || fail "data link: $(ls -l "$player/data")"
# One line about it, not the failed try's messages (a sanitized build may add its own report).
[ "$(head -n 1 "$work/err")" = "gorubadon: no sound device could be opened: playing with SDL_AUDIODRIVER=dummy" ] &&
    ! grep -q -e Mix_OpenAudio -e ALSA "$work/err" || fail "stderr: $(cat "$work/err")"
listing | diff "$work/before" - >&2 || fail "written outside the player's folder"

echo ok
