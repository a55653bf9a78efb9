#!/usr/bin/env bash
# The program started where no JACK server runs, on the X display it is given: it shows the connection
# error in its box, runs on disconnected, and its standard error stays empty (no lines of libjack's own).
# Usage: quiet-start.sh PROGRAM. Exit 77 (skipped) when xdotool is missing.
set -euo pipefail
program=$1
source "$(dirname "$0")/journey-lib.sh"
require xdotool
[ -n "${DISPLAY:-}" ] || { echo "SKIPPED: no X display"; exit 77; }
unset VORN_JACK_VERBOSE
# Leaks at exit are the sanitizer stages' business elsewhere; here a leak report of a library the
# window system loads would read as noise on standard error.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
stderr="$work/program-stderr.log"

# No start_console: the driver finds no server under the journey's unused server name, and never
# starts one. The connection error comes first, in a box with the program's caption.
start_program
wait_until 30 has_windows 1 || fail "no box appeared"
box=$(windows | head -n1)
[ ! -s "$stderr" ] || fail "standard error is not empty while the connection error shows"
xdotool windowfocus --sync "$box" key Return
# Then the main window, another window of the same caption.
wait_until 20 bash -c "xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null | grep -qv '^$box\$'" \
  || fail "the main window did not appear after the box"

kill -TERM "$program_pid"
program_ended 10 || fail "SIGTERM did not end the program"
ended_cleanly "SIGTERM"
[ ! -s "$stderr" ] || fail "standard error is not empty"
echo "PASSED: the connection error in its box, nothing on standard error"
