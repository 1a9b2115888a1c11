#!/bin/sh
# Measures the game from outside, side by side with the bare SDL program (bench/bare.cpp), in one
# run of the shared harness: usage tools/measure.sh BUILD_DIR [REPETITIONS].
set -eu
build=$(cd "$1" && pwd)
reps=${2:-7}
root=$(cd "$(dirname "$0")/.." && pwd)
harness="$root/../shared/tools/measure"
scratch=${MEASURE_SCRATCH:-/tmp/measure}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Each run copies the working directory: give it the data and nothing else.
cp -r "$root/data" "$work/data"
for program in bare:bench/gorubadon_bare game:gorubadon; do
    label=${program%%:*}
    MEASURE_SCRATCH=$scratch "$harness/measure.sh" -C "$work" -w ゴルバドン -n 4 -r "$reps" \
        -l "$label" -- "$build/${program#*:}" > /dev/null
done
"$harness/summarize.py" "$scratch/results/bare" "$scratch/results/game"
