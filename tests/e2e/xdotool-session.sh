# Sourced by the xdotool journeys: a private JACK server with one emulated console, a virtual X display
# and the program on it, all ended when the journey exits. Each step waits for its condition with a
# deadline. The caller sets `program` and `emulator` and calls start_console and start_display first.
# Exit 77 (skipped) when a tool is missing or a server does not start.
for tool in Xvfb xdotool jackd jack_lsp flock; do
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
  find /dev/shm -maxdepth 1 -name "jack*_${JACK_DEFAULT_SERVER:-none}_*" -delete 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wait_until() {
  local tries=$(( $1 * 10 )); shift
  until "$@" >/dev/null 2>&1; do
    tries=$(( tries - 1 )); [ "$tries" -gt 0 ] || return 1; sleep 0.1
  done
}
fail() { echo "FAILED: $*"; echo "--- console"; cat "$work/console.log"; echo "--- program"; cat "$work/program.log"; exit 1; }

start_console() {
  # The private JACK servers of all test programs take turns (see tests/drivers/JackTestServer.cpp).
  exec 9<>/tmp/sonvale-jack-tests.lock
  flock -w 120 9 || { echo "SKIPPED: the JACK test lock stayed taken"; exit 77; }
  export JACK_DEFAULT_SERVER="sonvale-xdotool-$$"
  jackd --no-realtime --sync -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 9>&- &
  jackd_pid=$!
  wait_until 10 env JACK_NO_START_SERVER=1 jack_lsp || { echo "SKIPPED: jackd did not start"; exit 77; }
  "$emulator" --flash "$work/flash.bin" >"$work/console.log" 2>&1 9>&- &
  emulator_pid=$!
  wait_until 10 grep -q '^ready:' "$work/console.log" || fail "the console did not come up"
}

start_display() {
  Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp >"$work/display" 2>"$work/xvfb.log" 9>&- &
  xvfb_pid=$!
  wait_until 10 grep -q '[0-9]' "$work/display" || { echo "SKIPPED: Xvfb did not start"; exit 77; }
  export DISPLAY=":$(head -n1 "$work/display")" QT_QPA_PLATFORM=xcb
  mkdir -p "$work/config" "$work/home" "$work/run" && chmod 700 "$work/run"
}

windows() { xdotool search --onlyvisible --name '^Sonvale Data Manager$' 2>/dev/null || true; }

# start_program LANG: the program with its own preference folder; waits for the main window ($main)
# and for its question to the console.
start_program() {
  XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/run" LANG=$1 LC_ALL="" \
    "$program" >"$work/program.log" 2>&1 9>&- &
  program_pid=$!
  wait_until 30 bash -c "[ -n \"\$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null)\" ]" \
    || fail "the main window did not appear"
  main=$(windows | head -n1)
  wait_until 10 grep -q '(identity request)' "$work/console.log" || fail "the program did not ask the console"
  sleep 0.5
}

# An update's outcome box: a second window with the program's caption, answered with Enter. $1 says
# what failed when no box comes.
answer_update_box() {
  wait_until 20 bash -c "[ \$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null | wc -l) -ge 2 ]" \
    || fail "$1"
  box=$(windows | grep -v "^$main\$" | head -n1)
  xdotool windowfocus --sync "$box" key Return
  wait_until 10 bash -c "[ \$(xdotool search --onlyvisible --name '^Sonvale Data Manager\$' 2>/dev/null | wc -l) -eq 1 ]" \
    || fail "the box did not close"
}

# Ends the program through File > Exit.
exit_program() {
  xdotool windowfocus --sync "$main" key --clearmodifiers alt+f
  sleep 0.3
  xdotool key x
  wait_until 10 bash -c "! kill -0 $program_pid" || fail "File > Exit did not end the program"
  program_pid=""
}
