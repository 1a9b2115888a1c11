#!/bin/sh
# Runs a fuzzer for about SECONDS seconds from its seed corpus. Its progress goes to a log beside
# the work corpus and one summary line is printed; on a crash, the report and where the crashing
# input was kept, and the exit status is non-zero. A fuzzer NAME_fuzzer takes its seeds from
# fuzz/corpus/NAME/ and its dictionary from fuzz/NAME.dict, where there is one; the story fuzzer
# also takes the stories under game/ and examples/, as they are written. SEED 0, the default,
# is a new one each run.
#   sh fuzz/run.sh BINARY SECONDS [SEED]
set -eu

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: $0 BINARY SECONDS [SEED]" >&2
    exit 2
fi
binary=$1
seconds=$2
seed=${3:-0}
here=$(cd "$(dirname "$0")" && pwd)
name=$(basename "$binary")
kind=${name%_fuzzer}

# The work corpus grows between runs and lives in the build directory, never in the sources.
work=$(cd "$(dirname "$binary")" && pwd)/$kind-work
log=$work/fuzz.log
mkdir -p "$work/corpus" "$work/artifacts"
cp "$here/corpus/$kind"/* "$work/corpus/"
[ "$kind" != story ] ||
    find "$here/../game" "$here/../examples" -name '*.story' -exec cp {} "$work/corpus/" \;
dict= && [ ! -f "$here/$kind.dict" ] || dict=-dict=$here/$kind.dict

# Files a fuzzer writes go to a folder of their own (TMPDIR), in memory where there is /dev/shm:
# a save syncs to disk.
scratch=$(mktemp -d "$([ -d /dev/shm ] && echo /dev/shm || echo "$work")/$kind-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

status=0
# shellcheck disable=SC2086
TMPDIR=$scratch "$binary" "$work/corpus" $dict \
    -max_total_time="$seconds" \
    -seed="$seed" \
    -max_len=4096 \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" >"$log" 2>&1 || status=$?

if [ "$status" -eq 0 ]; then
    # The last progress line holds coverage and corpus size; "Done" the runs and seconds.
    awk -v name="$name" -v logfile="$log" '
        /^#[0-9]+\t/ { for (i = 1; i < NF; i++) { if ($i == "cov:") cov = $(i + 1); if ($i == "corp:") corp = $(i + 1) } }
        /^Done [0-9]+ runs/ { runs = $2; secs = $5 }
        /^stat::peak_rss_mb:/ { rss = $2 }
        END { sub(/\/.*/, "", corp)
              printf "%s: no crash in %s runs over %s s, coverage %s, corpus %s inputs, peak %s MB (log: %s)\n",
                     name, runs, secs, cov, corp, rss, logfile }' "$log"
    exit 0
fi
# Everything after the last progress line: the sanitizer's or libFuzzer's report of the crash.
echo "$name: FAILED (status $status); the end of $log:" >&2
awk '/^#[0-9]+\t/ { tail = ""; next } { tail = tail $0 "\n" } END { printf "%s", tail }' "$log" >&2
unit=$(sed -n 's/.*Test unit written to //p' "$log" | tail -n 1)
if [ -n "$unit" ]; then
    echo "$name: the crashing input is kept in $unit; run it again with: $binary $unit" >&2
fi
exit "$status"
