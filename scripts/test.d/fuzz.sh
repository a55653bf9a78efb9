#!/usr/bin/env bash
# Fuzzing stage of scripts/test: a separate clang build (build/fuzz) of the fuzz targets only, then every
# fuzz_<name> program found there runs for a bounded time, seeded from tests/fuzz/corpus/<name>. Any
# crash, sanitizer report, leak or time-out fails the stage; the failing input is kept under
# build/fuzz/artifacts/<name>/.
#
# FUZZ_SECONDS (default 60) is the time budget, shared out evenly among the targets but never below
# 45 s per target when there are several (or below FUZZ_SECONDS itself when that is smaller). A fuzz
# target runs on one processor: JOBS (default 2) of them run at a time, each for its whole share.
# With --build-only the stage builds the fuzz targets and ends (scripts/test builds them while earlier
# tests run).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
dir="$root/build/fuzz"
jobs=${JOBS:-2}
export CCACHE_BASEDIR="$root"
export CCACHE_DIR="${CCACHE_DIR:-$root/.ccache}"

echo "=== fuzz: configure"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSONVALE_FUZZ=ON -DSONVALE_BUILD_BENCH=OFF \
  -DSONVALE_PRECOMPILE_HEADERS=ON >/dev/null
echo "=== fuzz: build"
cmake --build "$dir" -j "$jobs" --target fuzzers
[ "${1:-}" != --build-only ] || exit 0

mapfile -t targets < <(find "$dir/bin" -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz_* programs in $dir/bin" >&2
  exit 1
fi

total=${FUZZ_SECONDS:-60}
floor=$(( total < 45 ? total : 45 ))
each=$(( total / ${#targets[@]} ))
each=$(( each < floor ? floor : each ))

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# fuzz PROGRAM: one target for its share of the time; its summary, or on failure the end of its log.
fuzz() {
  local program=$1 target name seeds artifacts log
  target=$(basename "$program")
  name=${target#fuzz_}
  seeds="$root/tests/fuzz/corpus/$name"
  artifacts="$dir/artifacts/$name"
  log="$dir/logs/$target.log"
  mkdir -p "$work/$name" "$artifacts" "$(dirname "$log")"
  local corpora=("$work/$name")  # new inputs go here, never into the committed seeds
  if [ -d "$seeds" ]; then
    corpora+=("$seeds")
  else
    echo "fuzz: $target has no seed corpus ($seeds); starting empty"
  fi
  echo "=== fuzz: $target for ${each}s"
  if "$program" -max_total_time="$each" -max_len=2048 -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$artifacts/" -print_final_stats=1 "${corpora[@]}" >"$log" 2>&1; then
    echo "=== fuzz: $target done: $(grep -E '^stat::number_of_executed_units|^Done' "$log" | tr '\n' ' ')"
  else
    { echo "fuzz: $target FAILED (log: $log, inputs: $artifacts)"; tail -n 60 "$log"; } >&2
    return 1
  fi
}
failed=0
running=0
for program in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$(( running - 1 ))
  fi
  fuzz "$program" &
  running=$(( running + 1 ))
done
for (( ; running > 0; running-- )); do
  wait -n || failed=1
done
exit "$failed"
