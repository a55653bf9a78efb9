#!/usr/bin/env bash
# The program driven as a person would, on a virtual X display: click a row, press Ctrl+U, answer the
# box with Enter, close through File > Exit. The emulated console must have received the data message
# of that row's entry, and its flash must hold it.
# Usage: xdotool-update.sh PROGRAM EMULATOR. Exit 77 (skipped) when Xvfb, xdotool or jackd is missing.
set -euo pipefail
program=$1 emulator=$2
# SONVALE_E2E_GRAPH=running: no private jackd; the JACK graph that is there already is used (PipeWire's,
# through pw-jack), and whoever started it holds the JACK test lock.
own_server=yes
[ "${SONVALE_E2E_GRAPH:-}" = running ] && own_server=""
for tool in Xvfb xdotool ${own_server:+jackd jack_lsp flock}; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
jackd_pid="" emulator_pid="" xvfb_pid="" program_pid=""
cleanup() {
  for pid in $program_pid $emulator_pid $jackd_pid $xvfb_pid; do
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  [ -z "$own_server" ] || find /dev/shm -maxdepth 1 -name "jack*_${JACK_DEFAULT_SERVER}_*" -delete 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/wait-until.sh"
fail() { echo "FAILED: $*"; echo "--- console"; cat "$work/console.log"; echo "--- program"; cat "$work/program.log"; exit 1; }

if [ -n "$own_server" ]; then
  # The private JACK servers of all test programs take turns (see tests/drivers/JackTestServer.cpp).
  exec 9<>/tmp/sonvale-jack-tests.lock
  flock -w 120 9 || { echo "SKIPPED: the JACK test lock stayed taken"; exit 77; }
  export JACK_DEFAULT_SERVER="sonvale-xdotool-$$"
  jackd --no-realtime --sync -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 9>&- &
  jackd_pid=$!
  wait_until 10 env JACK_NO_START_SERVER=1 jack_lsp || { echo "SKIPPED: jackd did not start"; exit 77; }
fi
"$emulator" --flash "$work/flash.bin" >"$work/console.log" 2>&1 9>&- &
emulator_pid=$!
wait_until 10 grep -q '^ready:' "$work/console.log" || fail "the console did not come up"

Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" 9>&- &
xvfb_pid=$!
wait_until 10 grep -q '[0-9]' "$work/display" || { echo "SKIPPED: Xvfb did not start"; exit 77; }
export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
mkdir -p "$work/config" "$work/home" "$work/run" && chmod 700 "$work/run"
XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8 \
  "$program" >"$work/program.log" 2>&1 9>&- &
program_pid=$!

windows() { xdotool search --onlyvisible --name '^Sonvale Data Manager$' 2>/dev/null || true; }
wait_until 30 bash -c "[ -n \"\$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null)\" ]" \
  || fail "the main window did not appear"
main=$(windows | head -n1)
wait_until 10 grep -q '(identity request)' "$work/console.log" || fail "the program did not ask the console"
sleep 0.5

# The list's fourth row (key 3, "Fenwick Series Vol.3"): rows are 21 pixels high under the menu bar
# and the header; a click in its Name cell selects it.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" 120 $(( 22 + 22 + 3 * 21 + 10 )) click 1
sleep 0.3
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
# The outcome box is a second window with the program's caption; Enter answers it.
wait_until 20 bash -c "[ \$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null | wc -l) -ge 2 ]" \
  || fail "no box after Ctrl+U"
box=$(windows | grep -v "^$main\$" | head -n1)
xdotool windowfocus --sync "$box" key Return
wait_until 10 bash -c "[ \$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null | wc -l) -eq 1 ]" \
  || fail "the box did not close"

grep -q 'data message "Fenwick Series Vol.3"' "$work/console.log" || fail "the console did not receive the row's entry"
grep -q 'completion reply, status 7F' "$work/console.log" || fail "the console did not confirm"
grep -q 'Fenwick Series Vol.3' "$work/flash.bin" || fail "the console's flash does not hold the entry"

xdotool windowfocus --sync "$main" key --clearmodifiers alt+f
sleep 0.3
xdotool key x
wait_until 10 bash -c "! kill -0 $program_pid" || fail "File > Exit did not end the program"
program_pid=""
[ -s "$work/config/Corvane/Sonvale Data Manager/sonvale-data-manager.ini" ] || fail "no preference file after Exit"
echo "PASSED: the click, Ctrl+U and Enter wrote \"Fenwick Series Vol.3\" into the console"
