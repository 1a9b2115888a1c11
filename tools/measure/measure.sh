#!/bin/sh
# Measures the game from outside, as its player feels it, against the bare SDL program
# (bench/bare.cpp), on classic SDL 1.2 and on sdl12-compat, under a private Xvfb at 24 bits.
# Usage: tools/measure/measure.sh BUILD_DIR [RUNS]; BUILD_DIR also gets the figures.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${MEASURE_IN_XVFB:-}" ]; then
    # A window scaled by sdl12-compat (SDL12COMPAT_WINDOW_SCALING=N) gets a screen twice its size,
    # as the start-up script would choose it.
    scale=${SDL12COMPAT_WINDOW_SCALING:-1}
    case $scale in [1-9]) ;; *) scale=1 ;; esac
    MEASURE_IN_XVFB=1 exec "$here/../with-xvfb.sh" --size $((640 * scale))x$((480 * scale)) \
        sh "$here/measure.sh" "$@"
fi
build=$(cd "$1" && pwd)
runs=${2:-11}
root=$(cd "$here/../.." && pwd)
# Where sdl12-compat is the system's own SDL 1.2 (Debian 13 and later), or classic SDL 1.2 has none
# beside it, there is that one alone.
implementations="classic compat"
compat=$(sh "$root/dist/run-game.sh" --sdl12-compat "$build/gorubadon") || implementations=classic
[ -n "$compat" ] || [ "$implementations" = classic ] || implementations=compat
[ "$implementations" = "classic compat" ] || echo "one SDL 1.2 here: $implementations"
probe=$build/tools/measure/gorubadon_probe
if [ ! -x "$probe" ]; then
    echo "no $probe: build after tools/install-deps.sh measure (make measure does both)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
results=$build/measure-results
rm -rf "$results" && mkdir "$results"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
# The four alternate, so a change in the machine's load falls on all alike. Run 0 warms the
# caches and is dropped.
for run in $(seq 0 "$runs"); do
    for implementation in $implementations; do
        library=${LD_LIBRARY_PATH:-}
        [ "$implementation" = compat ] && [ -n "$compat" ] && library=$compat${library:+:$library}
        for program in game bare; do
            binary=$build/gorubadon
            [ "$program" = bare ] && binary=$build/bench/gorubadon_bare
            # A fresh directory per run: the data and no save file.
            rm -rf "$work/run" && mkdir "$work/run" && cp -r "$root/data" "$work/run/"
            out=$results/$implementation-$program-$run
            if ! (cd "$work/run" && SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy \
                LD_LIBRARY_PATH=$library "$probe" 4 "$binary" > "$out" 2> "$work/log"); then
                echo "$implementation $program run $run failed: $(cat "$work/log")" >&2
                rm -f "$out"
            fi
            [ "$run" -gt 0 ] || rm -f "$out"
        done
    done
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
python3 "$here/summarize.py" --markdown "$results" > "$build/measure.md"
python3 "$here/summarize.py" "$results"
echo "(each run's figures are in $results, the table for a README in $build/measure.md)"
