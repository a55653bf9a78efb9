#!/usr/bin/env bash
# The program started where no JACK server runs, on a virtual X display: it shows the connection error
# in its box, runs on disconnected, and its standard error stays empty (no lines of libjack's own).
# Usage: quiet-start.sh PROGRAM. Exit 77 (skipped) when Xvfb or xdotool is missing.
set -euo pipefail
source "$(dirname "$0")/session.sh"
program=$1
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
xvfb_pid="" program_pid=""
cleanup() {
  for pid in $program_pid $xvfb_pid; do
    end_process "$pid"
  done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; echo "--- standard error"; cat "$work/stderr"; exit 1; }

# A server name nobody uses: the driver finds no server, and never starts one.
export JACK_DEFAULT_SERVER="sonvale-no-server-$$"
unset VORN_JACK_VERBOSE
# Leaks at exit are the sanitizer stages' business elsewhere; here a leak report of a library the
# window system loads would read as noise on standard error.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_until 10 grep -q '[0-9]' "$work/display" || { echo "SKIPPED: Xvfb did not start"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
mkdir -p "$work/config" "$work/home" "$work/run" && chmod 700 "$work/run"
XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8 \
  "$program" >"$work/stdout" 2>"$work/stderr" &
program_pid=$!

# The connection error comes first, in a box with the program's caption; Enter answers it.
wait_until 30 bash -c "[ -n \"\$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null)\" ]" \
  || fail "no box appeared"
box=$(windows | head -n1)
[ ! -s "$work/stderr" ] || fail "standard error is not empty while the connection error shows"
xdotool windowfocus --sync "$box" key Return
# Then the main window, another window of the same caption.
wait_until 20 bash -c "xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null | grep -qv '^$box\$'" \
  || fail "the main window did not appear after the box"

kill -TERM "$program_pid"
wait_until 10 bash -c "! kill -0 $program_pid" || fail "SIGTERM did not end the program"
wait "$program_pid" || fail "the program ended with status $?"
program_pid=""
[ ! -s "$work/stderr" ] || fail "standard error is not empty"
echo "PASSED: the connection error in its box, nothing on standard error"
