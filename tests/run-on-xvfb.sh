#!/usr/bin/env bash
# Runs a test program on the real X11 platform (xcb) on a private virtual display of its own, so that
# key bindings, focus changes and painting are those a user meets. Listing a suite's tests needs no
# display. Exit 77 (skipped) when Xvfb is missing or does not start.
# Usage: run-on-xvfb.sh PROGRAM [ARGS...]
set -uo pipefail
for arg in "$@"; do
  [ "$arg" = "--gtest_list_tests" ] && exec "$@"
done
command -v Xvfb >/dev/null || { echo "SKIPPED: Xvfb is not installed, the xcb tests need a display"; exit 77; }
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
trap 'kill -TERM $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  grep -q '[0-9]' "$work/display" 2>/dev/null && break
  kill -0 $xvfb_pid 2>/dev/null || break
  sleep 0.1
done
grep -q '[0-9]' "$work/display" 2>/dev/null || { echo "SKIPPED: Xvfb did not start"; cat "$work/xvfb.log"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
# Under the address sanitizer, the system libraries of the X11 platform keep some memory until exit.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/xcb-leaks.supp ${LSAN_OPTIONS:-}"
"$@"
