#!/usr/bin/env bash
# Two sonvale-cli updates at once against one emulated console that refuses one entry's flash write
# and stores the other, many rounds (500 by default), and the same for an update with a query; prints
# how many outcomes disagree with the console's own answer. Not run by ctest: about 3 minutes for 500
# rounds. Usage: bench/two-writers.sh [build folder] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" -j "${JOBS:-2}" --target e2e_shared_graph_tests >/dev/null
SONVALE_SHARED_ROUNDS=${2:-500} QT_QPA_PLATFORM=offscreen \
  "$build/bin/e2e_shared_graph_tests" --gtest_filter='*TwoWriters*:*UpdateWithCurrent*'
