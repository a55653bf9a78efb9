#!/usr/bin/env bash
# The long soak: 500 updates in a row against an emulated console whose fault mode changes at random
# between updates (ctest runs 30 of them). Takes about half an hour: every console that garbles its
# replies costs the transport's full time-out. Usage: bench/soak.sh [build folder] [updates]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
cmake --build "$build" -j "${JOBS:-2}" --target e2e_program_tests >/dev/null
SONVALE_SOAK_UPDATES=${2:-500} QT_QPA_PLATFORM=offscreen \
  "$build/bin/e2e_program_tests" --gtest_filter='*SoakOfUpdatesUnderChangingFaults*'
