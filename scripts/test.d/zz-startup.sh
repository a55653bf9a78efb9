#!/usr/bin/env bash
# Last stage of scripts/test: a short run of the whole-program benchmark (five starts of the program and
# of each yardstick, in turn, on a private JACK server with an emulated console), which prints the
# program's start-up, memory and idle CPU beside the stock-widget window's. The build machines are
# shared and noisy, so the stage fails only on a gross regression: a start-up over 1.5 times the stock
# window's. The goals (1.2 times in start-up, 1.1 times in memory) are judged from full runs of
# build/default/bin/bench_whole_program. BUILD_DIR (default build/default) names the build it uses.
set -euo pipefail
cd "$(dirname "$0")/../.."
bench="$(pwd)/${BUILD_DIR:-build/default}/bin/bench_whole_program"
[ -x "$bench" ] || { echo "FAILED: $bench is not built"; exit 1; }
status=0
"$bench" 5 3 --settle 1 --start-limit 1.5 --memory-limit 0 || status=$?
case $status in
  0) ;;
  2) echo "FAILED: the program's start-up is more than 1.5 times the stock window's"; exit 1 ;;
  *) echo "FAILED: the benchmark could not run (status $status)"; exit 1 ;;
esac
