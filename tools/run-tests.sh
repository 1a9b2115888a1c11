#!/bin/sh
# Runs the ctest suite of a build quietly, its whole output kept in the build directory; prints the
# summary, and on a failure what failed with its output.
# Usage: run-tests.sh NAME BUILD_DIR JOBS [VAR=VALUE...]   (the variables are set for the tests)
set -eu
name=$1 build=$2 jobs=$3
shift 3
log=$(cd "$build" && pwd)/ctest-$name.log
echo "== tests on $name (log: $log)"
status=0
# A build configured without its tests fails instead of passing on none.
(cd "$build" && env "$@" ctest -Q --output-log "$log" --output-on-failure --no-tests=error -j"$jobs") ||
    status=$?
# Each test's start and pass says nothing the summary does not.
[ "$status" -eq 0 ] && sed -n '/tests passed/p' "$log" ||
    grep -v -E '^ *Start +[0-9]+: |  Passed +[0-9.]+ sec$|^Test project |^\[[A-Z_]+\] *$|^$' "$log" || true
exit "$status"
