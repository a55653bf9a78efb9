#!/usr/bin/env bash
# Stage of scripts/test: the emulated console, sonvale-cli and the program itself through PipeWire's JACK
# library, on a private headless PipeWire: pipewire and wireplumber (its session manager, which keeps
# the port metadata) under a private runtime folder with a session bus of their own. Everything it
# starts it stops again, by process id. It holds the JACK test lock while it runs, so no JACK test runs
# beside it. BUILD_DIR (default build/default) names the build it uses.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
bin="$root/${BUILD_DIR:-build/default}/bin"
for tool in pipewire wireplumber pw-jack pw-cli dbus-daemon flock jackd jack_lsp; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps installs it)"; exit 1; }
done
for program in sonvale-cli ostra-emulator sonvale-data-manager vorn-jack.so e2e_shared_graph_tests; do
  [ -e "$bin/$program" ] || { echo "FAILED: $bin/$program is not built"; exit 1; }
done

work=$(mktemp -d)
pids=() # in the order started; stopped in reverse
cleanup() {
  local i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid=${pids[i]}
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
source "$root/tests/e2e/wait-until.sh"
show_logs() { for log in "$work"/*.log; do echo "--- $(basename "$log")"; tail -n 20 "$log"; done; }
fail() { echo "FAILED: $*"; show_logs; exit 1; }

exec 9<>/tmp/sonvale-jack-tests.lock
flock -w 600 9 || { echo "FAILED: the JACK test lock stayed taken for ten minutes"; exit 1; }

# A private PipeWire: its socket, its session bus and every file it or its clients write stay in $work.
mkdir -p "$work/run" "$work/home" && chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run" PIPEWIRE_RUNTIME_DIR="$work/run" HOME="$work/home"
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" XDG_DATA_HOME="$work/data"
unset JACK_DEFAULT_SERVER PIPEWIRE_REMOTE DBUS_SESSION_BUS_ADDRESS
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/run/bus" >"$work/dbus.log" 2>&1 9>&- &
pids+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/bus"
wait_until 10 test -S "$work/run/bus" || fail "the session bus did not start"
pipewire >"$work/pipewire.log" 2>&1 9>&- &
pids+=($!)
wait_until 10 pw-cli info 0 || fail "pipewire did not start"
wireplumber >"$work/wireplumber.log" 2>&1 9>&- &
pids+=($!)
# The session manager is ready when it offers the default metadata store, which keeps the port tags.
wait_until 20 bash -c "pw-cli ls Metadata | grep -q 'metadata.name = \"default\"'" || fail "wireplumber did not start"

# The first rounds go through pw-jack, as a user who follows the fallback in the README; the later ones
# use no wrapper: the programs choose PipeWire's JACK library themselves.
wrapper=(pw-jack)
cli() { "${wrapper[@]}" "$bin/sonvale-cli" "$@" 2>>"$work/cli.log"; }
emulator_pid=""
start_console() { # NAME [options...]
  local name=$1; shift
  "${wrapper[@]}" "$bin/ostra-emulator" --name "$name" --flash "$work/flash-$name" "$@" >"$work/console-$name.log" 2>&1 9>&- &
  emulator_pid=$!
  pids+=($emulator_pid)
  wait_until 10 grep -q '^ready:' "$work/console-$name.log" || fail "the console $name did not come up"
}
stop_console() {
  kill -TERM "$emulator_pid"
  wait "$emulator_pid" || true
}
expect() { # WANTED-STATUS WANTED-TEXT COMMAND...: the command's status and a part of its output
  local status=$1 text=$2; shift 2
  local out code=0
  out=$(cli "$@") || code=$?
  [ "$code" -eq "$status" ] || fail "sonvale-cli $* ended with $code, not $status: $out"
  [[ $out == *"$text"* ]] || fail "sonvale-cli $* printed '$out', not '$text'"
}

# The command-line companion against a tagged console.
start_console Ostra
expect 0 "type Tarn  used" devices
expect 0 "Current Data : Preset (No. 0)" current
started=$(date +%s%N)
expect 0 'Data update completed. The console holds "Brisa 4:1 R10" (No. 23).' update 23
echo "pipewire: update over PipeWire's JACK library took $(( ($(date +%s%N) - started) / 1000000 )) ms, process start included"
grep -q 'name=Brisa 4:1 R10' "$work/flash-Ostra" || fail "the console's flash does not hold the entry"
expect 0 "Current Data : Brisa 4:1 R10 (No. 23)" current
stop_console

# Tags through PipeWire's metadata store: a console that offers its pair untagged, with the driver kept
# from asking it.
start_console Bridge --untagged
export VORN_JACK_ASK=0
expect 4 "" current
expect 0 "type Tarn, id 1" tag Bridge:Tarn-1-in Bridge:Tarn-1-out
expect 0 "Current Data : Preset (No. 0)" current
expect 0 "Untagged" untag Bridge:Tarn-1-in Bridge:Tarn-1-out
expect 4 "" current
unset VORN_JACK_ASK
stop_console

# A console that closes takes its own tags along and nobody else's.
start_console Second --port-id 5
second_pid=$emulator_pid
start_console First
expect 0 "type Tarn, id 1" ports
stop_console
wait_until 10 bash -c "! pw-jack '$bin/sonvale-cli' ports 2>/dev/null | grep -q '^Client First'" || fail "the closed console's ports stayed"
expect 0 "type Tarn, id 5" ports
emulator_pid=$second_pid
stop_console

# Concurrent sonvale-cli runs at one console, each judged by the console's own answer.
shared=0
SONVALE_E2E_GRAPH=running QT_QPA_PLATFORM=offscreen pw-jack "$bin/e2e_shared_graph_tests" \
  --gtest_filter='*TwoWriters*:*UpdateWithCurrent*' >"$work/shared-graph.log" 2>&1 9>&- || shared=$?
grep -E 'disagree with|exited|^sonvale-cli:' "$work/shared-graph.log" | sed 's/^/pipewire: /'
[ "$shared" -eq 0 ] || fail "concurrent sonvale-cli runs through PipeWire"

# The program itself, driven on a virtual display as a person would.
SONVALE_E2E_GRAPH=running pw-jack "$root/tests/on-x-display.sh" "$root/tests/e2e/xdotool-update.sh" "$bin/sonvale-data-manager" \
  "$bin/ostra-emulator" "$bin/sonvale-cli" 9>&- \
  || fail "the program's update through PipeWire failed"
echo "pipewire: the emulated console, sonvale-cli and the program work through PipeWire's JACK library"

# From here on no wrapper: the driver, sonvale-cli and the emulated console load PipeWire's JACK library
# by themselves, as on a desktop where it is installed but not made the system's.
wrapper=()
start_console Plain
expect 0 "JACK: PipeWire " devices
expect 0 "chosen: no JACK server answered through the system's JACK library; PipeWire answers" devices
expect 0 "Port 1  type Tarn  used" devices
expect 0 '"chosen": "pipewire"' devices --json
expect 0 "Current Data : Preset (No. 0)" current
expect 0 'Data update completed. The console holds "Brisa 4:1 R10" (No. 23).' update 23
grep -q 'data message "Brisa 4:1 R10"' "$work/console-Plain.log" || fail "the console's log shows no data message"
expect 0 "Current Data : Brisa 4:1 R10 (No. 23)" current

# A JACK library named outright that is not there: said so, status 4, and nothing reaches the console.
lines=$(wc -l <"$work/console-Plain.log")
missing="$work/nowhere/libjack.so.0"
code=0
out=$(SONVALE_JACK_LIBRARY="$missing" "$bin/sonvale-cli" update 3 2>&1) || code=$?
[ "$code" -eq 4 ] || fail "with SONVALE_JACK_LIBRARY naming a missing file, update ended with $code: $out"
[[ $out == *"SONVALE_JACK_LIBRARY names $missing, which does not exist"* ]] || fail "the error does not name the file: $out"
[ "$(wc -l <"$work/console-Plain.log")" -eq "$lines" ] || fail "the console heard something: $(tail -n +"$((lines + 1))" "$work/console-Plain.log")"
stop_console

# The program started as the desktop menu starts it, from another folder, without a wrapper.
SONVALE_E2E_GRAPH=running "$root/tests/on-x-display.sh" "$root/tests/e2e/desktop-entry-start.sh" \
  "$root/res/com.corvane.SonvaleDataManager.desktop" "$bin" "$bin/ostra-emulator" Preset ${SONVALE_SHOTS_DIR:+"$SONVALE_SHOTS_DIR"} 9>&- \
  || fail "the program started by its desktop entry did not work through PipeWire"

# jackd (server "default") beside PipeWire: the programs take jackd, and devices says so.
jackd --no-realtime -n default -d dummy -r 48000 -p 256 >"$work/jackd.log" 2>&1 9>&- &
jackd_pid=$!
pids+=($jackd_pid)
wait_until 10 env JACK_NO_START_SERVER=1 jack_lsp || fail "jackd did not start"
start_console Both
expect 0 "JACK: jackd, server default" devices
expect 0 "chosen: a JACK server answered through the system's JACK library, ahead of PipeWire" devices
expect 0 "Both" devices
expect 0 "Current Data : Preset (No. 0)" current
wait_until 10 bash -c "env JACK_NO_START_SERVER=1 jack_lsp | grep -q '^Both:'" || fail "the console is not on jackd's graph"
stop_console
kill -TERM "$jackd_pid"
wait "$jackd_pid" || true
echo "pipewire: without pw-jack the programs choose PipeWire's JACK library, and jackd when it runs beside it"
