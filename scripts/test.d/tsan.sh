#!/usr/bin/env bash
# ThreadSanitizer stage: builds the suites labelled "threads" (the code that driver threads call into)
# under ThreadSanitizer and runs them. Any report fails the stage. With --build-only it builds them and
# ends (scripts/test builds them while earlier tests run).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
dir="$root/build/tsan"
jobs=${JOBS:-2}

echo "=== tsan: configure"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=thread -DSONVALE_BUILD_BENCH=OFF \
  -DSONVALE_PRECOMPILE_HEADERS=ON >/dev/null

echo "=== tsan: build"
# Only the suites labelled "threads" (sonvale_add_test(... LABELS threads)), gathered in one target.
cmake --build "$dir" -j "$jobs" --target threads_suites
[ "${1:-}" != --build-only ] || exit 0

echo "=== tsan: test"
# halt_on_error turns the first report into a failing test; second_deadlock_stack helps reading one.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
scripts/ctest-all --test-dir "$dir" -L threads --output-on-failure -j "$jobs"
