# Shared by the journeys that drive the built program on an X display with xdotool (sourced, not run).
# Each journey gets a private work folder with the user's folders; the program, the emulated console
# and a private JACK server are stopped on exit.

# require TOOL...: exit 77 (skipped) when one is missing.
require() {
  local tool
  /usr/bin/python3 -c 'import Xlib' 2>/dev/null || { echo "SKIPPED: python3-xlib is not installed"; exit 77; }
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
  done
}

work=$(mktemp -d)
jackd_pid="" emulator_pid="" program_pid="" jack_server=""
helpers=() # started by the journey beside them; stopped last, in reverse order

# stop PID: SIGTERM, up to ten seconds for the end, then SIGKILL.
stop() {
  local pid=$1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
journey_cleanup() {
  local i
  stop "$program_pid"; stop "$emulator_pid"; stop "$jackd_pid"
  for ((i = ${#helpers[@]} - 1; i >= 0; i--)); do stop "${helpers[i]}"; done
  # Semaphores of clients that did not close cleanly stay behind in /dev/shm.
  [ -z "$jack_server" ] || find /dev/shm -maxdepth 1 -name "jack*_${jack_server}_*" -delete 2>/dev/null || true
  rm -rf "$work"
}
trap journey_cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/wait-until.sh"
journey_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
x_sync="$journey_dir/x-sync.py"

# settle [WINDOW]: waits until the program has worked through the keys and clicks sent so far (see
# x-sync.py), instead of sleeping a fixed time; WINDOW defaults to the main window.
settle() {
  "$x_sync" "${1:-$main}" || fail "the program did not answer the window system within five seconds"
}
# press KEY...: keys through the window system to the focused window, then settle.
press() { xdotool key --clearmodifiers "$@"; settle; }
fail() {
  echo "FAILED: $*"
  for log in "$work"/*.log; do [ -e "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; }; done
  exit 1
}

# require_accessibility: exit 77 (skipped) without the accessibility bus or its Python binding.
require_accessibility() {
  require dbus-daemon
  [ -x /usr/libexec/at-spi-bus-launcher ] || { echo "SKIPPED: at-spi2-core is not installed"; exit 77; }
  /usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIPPED: python3-pyatspi is not installed"; exit 77; }
}

# start_accessibility: a session bus of the journey's own with the accessibility bus on it; programs
# started afterwards report their windows there, as they do to a screen reader.
start_accessibility() {
  mkdir -p "$work/bus"
  dbus-daemon --session --nofork --address="unix:path=$work/bus/session" >"$work/dbus.log" 2>&1 9>&- &
  helpers+=($!)
  wait_until 10 test -S "$work/bus/session" || fail "the session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus/session"
  /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/at-spi.log" 2>&1 9>&- &
  helpers+=($!)
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
}

# jack_unavailable REASON: a JACK server that cannot be had skips the journey, except in a run that
# requires JACK (scripts/test sets SONVALE_REQUIRE_JACK=1), where it fails.
jack_unavailable() {
  case "${SONVALE_REQUIRE_JACK:-0}" in
    ""|0) echo "SKIPPED: $*"; exit 77 ;;
    *) echo "FAILED (SONVALE_REQUIRE_JACK is set, so JACK must be there): $*"; exit 1 ;;
  esac
}

# start_console [OPTION...]: a private JACK server (dummy backend) and the emulated console on it, with
# these options. The private JACK servers of all test programs take turns (see
# tests/drivers/JackTestServer.cpp). With SONVALE_E2E_GRAPH=running no server is started: the JACK graph
# that runs already is used (PipeWire's, through pw-jack), and whoever started it holds the JACK test lock.
start_console() {
  if [ "${SONVALE_E2E_GRAPH:-}" != running ]; then
    local tool
    for tool in jackd jack_lsp flock; do
      command -v "$tool" >/dev/null || jack_unavailable "$tool is not installed"
    done
    exec 9<>/tmp/sonvale-jack-tests.lock
    flock -w 120 9 || jack_unavailable "another test run held the JACK test lock for two minutes"
    jack_server="sonvale-journey-$$"
    export JACK_DEFAULT_SERVER="$jack_server"
    start_jackd || jack_unavailable "jackd did not start"
  fi
  start_emulator "$@"
}

# start_jackd: the private server under the name $jack_server; status 1 when it does not answer.
start_jackd() {
  jackd --no-realtime --sync -n "$jack_server" -d dummy -r 48000 -p 256 >>"$work/jackd.log" 2>&1 9>&- &
  jackd_pid=$!
  wait_until 10 env JACK_NO_START_SERVER=1 jack_lsp
}

# stop_server: the private server and the console stop, as when a user stops their server.
stop_server() { stop "$jackd_pid"; stop "$emulator_pid"; }
# start_server_again: both start again, under the same name and with the same options; $console_back is
# the time (ms, from date +%s%3N) the console was ready.
start_server_again() {
  start_jackd || fail "jackd did not start again under the name $jack_server"
  start_emulator "${console_options[@]}"
  console_back=$(date +%s%3N)
}

# start_emulator [OPTION...]: the emulated console (again, after stop "$emulator_pid") with these options.
start_emulator() {
  console_options=("$@")
  : >"$work/console.log"
  "$emulator" --flash "$work/flash.bin" "$@" >"$work/console.log" 2>&1 9>&- &
  emulator_pid=$!
  wait_until 10 grep -q '^ready:' "$work/console.log" || fail "the console did not come up"
}

# start_second_console NAME ID: one more emulated console on the same server, its JACK client NAME and
# its pair ID, its messages in $work/console-NAME.log; $second_console is its process.
start_second_console() {
  "$emulator" --flash "$work/flash-$1.bin" --name "$1" --port-id "$2" >"$work/console-$1.log" 2>&1 9>&- &
  second_console=$!
  helpers+=($!)
  wait_until 10 grep -q '^ready:' "$work/console-$1.log" || fail "the console $1 did not come up"
}
# title_is TEXT: whether the main window's title is TEXT.
title_is() { [ "$(xdotool getwindowname "$main" 2>/dev/null)" = "$1" ]; }

# own_preferences: the journey starts the program from a preference file of its own, $ini in the
# folder $ini_dir, which start_program then uses (through $user_home).
own_preferences() {
  user_home="$work/user"
  ini_dir="$user_home/config/Corvane/Sonvale Data Manager"
  ini="$ini_dir/sonvale-data-manager.ini"
  mkdir -p "$ini_dir"
}

# start_program [LANG]: the program with fresh user folders (the preference file at $prefs), or with the
# folders under $user_home when the journey has set it (to start from preferences of its own). Without
# start_console first, no JACK server answers and start-up shows the connection error.
start_program() {
  local lang=${1:-C.UTF-8}
  local home=${user_home:-$work/user-$RANDOM}
  mkdir -p "$home/config" "$home/home" "$home/run" && chmod 700 "$home/run"
  prefs="$home/config/Corvane/Sonvale Data Manager/sonvale-data-manager.ini"
  # Without a server of the journey's own, an unused server name, so that no server answers; on a
  # running graph (PipeWire's), the name the environment gives.
  local server=${JACK_DEFAULT_SERVER:-sonvale-journey-none-$$}
  [ "${SONVALE_E2E_GRAPH:-}" != running ] || server=${JACK_DEFAULT_SERVER:-default}
  # The user's session: what the program runs with, and what as_user runs other programs with.
  user_env=(JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER="$server" XDG_CONFIG_HOME="$home/config" HOME="$home/home"
            XDG_RUNTIME_DIR="$home/run" LANG="$lang" LC_ALL= LC_MESSAGES=)
  env "${user_env[@]}" "$program" >"$work/program.log" 2>"$work/program-stderr.log" 9>&- &
  program_pid=$!
}

# as_user COMMAND...: runs the command in the session of the program start_program started last.
as_user() { env "${user_env[@]}" "$@"; }

# catches_sigterm PID: whether the program (not the shell that starts it) has its own handler for
# SIGTERM in place (bit 15 of SigCgt).
catches_sigterm() {
  local key value
  [ "$(readlink "/proc/$1/exe")" = "$(readlink -f "$program")" ] || return 1
  while read -r key value; do
    [ "$key" = SigCgt: ] && { (( 0x$value & 0x4000 )); return; }
  done <"/proc/$1/status"
  return 1
}

# The visible windows with the program's caption (the main window and its boxes), oldest first. With
# several consoles the main window's title names the console: "Sonvale Data Manager - <client>".
windows() { xdotool search --onlyvisible --name '^Sonvale Data Manager( - .+)?$' 2>/dev/null || true; }
window_count() { windows | wc -l; }
has_windows() { [ "$(window_count)" -eq "$1" ]; }
at_least_windows() { [ "$(window_count)" -ge "$1" ]; }
# The visible windows of the program whatever their caption (the drag picture has none).
all_windows() { xdotool search --onlyvisible --class '^sonvale-data-manager$' 2>/dev/null || true; }
# all_windows_at_least N / all_windows_exactly N: how many of those there are.
all_windows_at_least() { [ "$(all_windows | wc -l)" -ge "$1" ]; }
all_windows_exactly() { [ "$(all_windows | wc -l)" -eq "$1" ]; }

# wait_for_main: waits for the main window (after the start-up box, when one shows) and sets $main.
wait_for_main() {
  wait_until 30 has_windows 1 || fail "the main window did not appear"
  main=$(windows | head -n1)
}

# program_ended SECONDS: whether the program ends within that time; sets $program_status.
program_ended() {
  wait_until "$1" bash -c "! kill -0 $program_pid" || return 1
  program_status=0
  wait "$program_pid" || program_status=$?
  program_pid=""
}

# ended_cleanly WHAT: the program that program_ended saw end must have ended with status 0: a sanitizer
# report at exit (status 1), a crash or a signal's own action all fail the journey.
ended_cleanly() {
  [ "$program_status" -eq 0 ] || fail "$1: the program ended with status $program_status"
}

# pixel_count FILE COLOUR: how many pixels of the picture have exactly this colour ("rgb(r,g,b)").
pixel_count() {
  convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}

# wait_for_question: waits until the program has asked the console for its current entry.
wait_for_question() {
  wait_until 10 grep -q '(identity request)' "$work/console.log" || fail "the program did not ask the console"
}

# await_box WHAT: waits for a box over the main window (a second window with the program's caption)
# and sets $box; WHAT says what failed when no box comes.
await_box() {
  wait_until 20 at_least_windows 2 || fail "$1"
  box=$(windows | grep -v "^$main\$" | head -n1)
}
# box_text: the text of the open box as a screen reader reads it (after start_accessibility).
box_text() { "$journey_dir/box-text.py" || fail "the box is not in the accessibility tree"; }
# close_box: answers $box with Enter.
close_box() {
  xdotool windowfocus --sync "$box" key Return
  wait_until 10 has_windows 1 || fail "the box did not close"
}
# answer_update_box WHAT: an update's outcome box is answered with Enter.
answer_update_box() { await_box "$1"; close_box; }

# write_note ROW TEXT: selects row ROW (a click in its Name cell; rows are 21 pixels high under the menu
# bar and the header, in the order of their keys), opens its note with F2, types TEXT and keeps it with
# Enter. The note reaches the preference file only when the program saves it: a check that a save
# happened asks for it with saved_note.
write_note() {
  xdotool mousemove --window "$main" 120 $(( 22 + 22 + $1 * 21 + 10 )) click 1
  settle
  press F2
  xdotool type --delay 20 "$2"
  settle
  press Return
}
# saved_note KEY: the note the preference file holds for the entry with that key.
saved_note() { sed -n "s/^Note[0-9]*=$1::\(.*\)\$/\1/p" "$prefs"; }

# exit_program: ends the program through File > Exit.
exit_program() {
  xdotool windowfocus --sync "$main" key --clearmodifiers alt+f
  settle
  xdotool key x
  program_ended 10 || fail "File > Exit did not end the program"
  ended_cleanly "File > Exit"
}
