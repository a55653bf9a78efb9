#!/usr/bin/env bash
# Stage of scripts/test: sonvale-cli writers, one or two at a time and some of them killed, against a
# hostile emulated console (late answers up to 28 s, answers never given, doubled and stray answers,
# garbage, refusals), 200 rounds with a fixed seed, each outcome judged against the console's own log
# (bench/hostile_soak.py). Fails on any false outcome: "completed" for a write the console did not
# store, a refusal for one it stored, `current` naming an entry the console did not hold. Takes a few
# minutes; it lets the JACK test lock go between its segments of 25 rounds. BUILD_DIR (default
# build/default) names the build it uses. It runs in one lane: every segment has a JACK server of its
# own and starts as its replay does, so lanes would judge the same rounds, but on two processors the
# writers of three lanes wait for each other's processor time, which no user's machine does.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build/default}
for tool in jackd jack_lsp python3; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps installs it)"; exit 1; }
done
for program in sonvale-cli ostra-emulator vorn-jack.so; do
  [ -e "$build/bin/$program" ] || { echo "FAILED: $build/bin/$program is not built"; exit 1; }
done
exec python3 bench/hostile_soak.py --build "$build" --rounds "${SONVALE_HOSTILE_ROUNDS:-200}" --seed 20261208 --calm-share 0.5 --enforce
