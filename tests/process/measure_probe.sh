#!/bin/sh
# One run of the measuring tool's probe on the game: a first frame, four keys answered on screen,
# a close request that saves and exits cleanly, and every figure reported.
# Usage (under with-xvfb.sh): measure_probe.sh PROBE GAME DATA_DIR
probe=$1 game=$2 data=$3
. "$(dirname "$0")/common.sh"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy
d="$work/run"; mkdir "$d"; link_data "$d"
(cd "$d" && "$probe" 4 "$game") > "$work/figures" || fail "probe: $(cat "$work/figures")"
for figure in start_to_first_frame_ms cpu_to_first_frame_ms cpu_per_key_ms key_to_pixels_ms \
    idle_wakeups_per_s idle_cpu_ms_per_s peak_memory_mb close_to_exit_ms; do
    grep -q "^$figure -\{0,1\}[0-9.]*$" "$work/figures" || fail "no $figure in: $(cat "$work/figures")"
done
check_save "$d/save.txt" "$default"
echo ok
