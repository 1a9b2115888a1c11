#!/bin/sh
# Runs the save-file fuzzer for about SECONDS seconds from the seed corpus; exits non-zero when it
# finds a crash, leaving the crashing input beside the work corpus.
#   sh fuzz/run.sh BINARY SECONDS
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 BINARY SECONDS" >&2
    exit 2
fi
binary=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)

# The work corpus grows between runs and lives in the build directory, never in the sources.
work=$(dirname "$binary")/save-work
mkdir -p "$work/corpus" "$work/artifacts"
cp "$here"/corpus/save/* "$work/corpus/"

exec "$binary" "$work/corpus" \
    -dict="$here/save.dict" \
    -max_total_time="$seconds" \
    -max_len=4096 \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/"
