#!/usr/bin/env bash
# One or two sonvale-cli writers at a time against a hostile emulated console (late, missing, doubled
# and stray answers, refusals), some of them killed, each outcome judged against the console's own log:
# prints the false outcomes with the round to replay, counts per behaviour and the missed rate. Not run
# by ctest; 300 rounds take about ten minutes in one lane, --lanes N runs N segments at once. Usage:
#   bench/hostile-soak.sh [--build DIR] [--rounds N] [--seed S] [--lanes N] [--replay SEED:ROUND] [--enforce] [--keep]
# (bench/hostile_soak.py --help lists every option).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  [ "${args[i]}" != --build ] || build=${args[i + 1]}
done
cmake --build "$build" -j "${JOBS:-2}" --target ostra-emulator sonvale-cli vorn_jack >/dev/null
exec python3 bench/hostile_soak.py --build "$build" "$@"
