#!/bin/sh
# Runs the ctest suite of a build, printing only what fails and the summary; the whole output is
# kept in the build directory.
# Usage: run-tests.sh NAME BUILD_DIR JOBS [VAR=VALUE...]   (the variables are set for the tests)
set -eu
name=$1 build=$2 jobs=$3
shift 3
log=$(cd "$build" && pwd)/ctest-$name.log
echo "== tests on $name (log: $log)"
status=0
# One line per test started and passed says nothing the summary does not; a build configured
# without its tests fails instead of passing on none.
{ (cd "$build" && env "$@" ctest --output-on-failure --no-tests=error -j"$jobs") 2>&1 || echo "$?" >"$log.status"; } |
    tee "$log" | grep -v -E '^ *Start +[0-9]+: |  Passed +[0-9.]+ sec$|^Test project |^$' || true
[ ! -f "$log.status" ] || { status=$(cat "$log.status"); rm -f "$log.status"; }
exit "$status"
