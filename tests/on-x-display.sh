#!/usr/bin/env bash
# Runs a command on a virtual X display of its own: starts Xvfb on a free display number, runs the
# command with DISPLAY set and Qt on its xcb platform, stops Xvfb and returns the command's status.
# A display per test process keeps the window system's focus and pointer to the one test that uses it.
# Listing a GoogleTest program's cases needs no display and gets none.
# Without Xvfb the test is skipped (status 77) with a line that says so: a pass on the offscreen
# platform would claim what it did not show.
set -uo pipefail
for arg in "$@"; do
  if [ "$arg" = --gtest_list_tests ]; then exec "$@"; fi
done
# The Wayland stage (scripts/test.d/wayland.sh) runs suites of window tests on its compositor: with
# SONVALE_TEST_ON_WAYLAND=1 the command runs on the WAYLAND_DISPLAY given, with Qt on its wayland platform.
if [ "${SONVALE_TEST_ON_WAYLAND:-0}" = 1 ]; then
  [ -n "${WAYLAND_DISPLAY:-}" ] || { echo "on-x-display: SONVALE_TEST_ON_WAYLAND=1 without a WAYLAND_DISPLAY" >&2; exit 1; }
  unset DISPLAY
  QT_QPA_PLATFORM=wayland exec "$@"
fi
if ! command -v Xvfb >/dev/null; then
  echo "SKIPPED: Xvfb is not installed; this test needs an X display"
  exit 77
fi
displayfile=$(mktemp)
# -displayfd: Xvfb picks a free display number itself and writes it once it accepts clients.
# -noreset: a server resets when its last client leaves and refuses connections while it does; a helper
# that comes and goes before the program (the accessibility bus's launcher) would leave the program
# without a display.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$displayfile" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null' EXIT
trap 'exit 143' TERM INT
for _ in $(seq 500); do
  grep -q '[0-9]' "$displayfile" && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.02
done
number=$(head -n1 "$displayfile")
rm -f "$displayfile"
if [ -z "$number" ]; then
  echo "on-x-display: Xvfb did not start" >&2
  exit 1
fi
# Under LeakSanitizer, the system libraries' own leaks on xcb are not the program's.
export LSAN_OPTIONS="suppressions=$(dirname "$(readlink -f "$0")")/x-display.lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
DISPLAY=":$number" QT_QPA_PLATFORM=xcb "$@"
