#!/usr/bin/env bash
# The program driven as a person would, on the X display it is given (tests/on-x-display.sh gives each
# run its own):
# - click a row, press Ctrl+U, answer the box with Enter: the emulated console must have received the
#   data message of that row's entry, and its flash must hold it;
# - with CLI: the program and sonvale-cli write to the one console at the same moment, eight rounds, one
#   of them an entry whose flash write the console refuses: each must report the console's answer to
#   its own message (the program in its box, sonvale-cli in its exit status); thirty updates while
#   `sonvale-cli devices` runs over and over must each show the console's answer; after the program gave
#   up on an answer that comes late, sonvale-cli's refused write must not be reported as stored; after
#   sonvale-cli gave up on one, the program's refused write gets the box of an answer that cannot be told
#   from the late one, and Update, still enabled, writes again at once;
# - on a private server: the server stops and starts again under its name; the program must be back
#   within three seconds of the console, and Ctrl+U must write again;
# - a second console (another client, another pair identifier) joins: by keys only, File > Console
#   chooses it; Ctrl+U writes to it and not to the first; the title names it, and again after a restart;
#   while the window runs, sonvale-cli devices names it as the window's console;
#   while it is away the title names the first, and when it is back the second again;
# - type a note and close through File > Exit: the note must be saved.
# Usage: xdotool-update.sh PROGRAM EMULATOR [CLI [SHOTS_DIR]]. With SHOTS_DIR, a screenshot of the first
# round's outcome box and of the Console menu is saved there. The boxes' texts are read as a screen reader reads them. Exit 77
# (skipped) when xdotool, the accessibility bus or jackd is missing.
set -euo pipefail
program=$1 emulator=$2 cli=${3:-} shots=${4:-}
source "$(dirname "$0")/journey-lib.sh"
require xdotool
require_accessibility
[ -n "${DISPLAY:-}" ] || { echo "SKIPPED: no X display"; exit 77; }
started=$SECONDS
# The console refuses to store one entry (key 7) and answers every message after 300 ms, so that two
# exchanges begun at the same moment overlap.
refused="Brisa #04 EG Comp" stored="Fenwick Series Vol.3"
# One more entry (key 2) is answered eleven seconds late, after its writer has given up.
late="Fenwick Series Vol.2"
start_console --flash-fail-entry "$refused" --fault delay --delay 300 --late-entry "11000:$late"
start_accessibility
start_program
wait_for_main
wait_for_question
settle

# A click in row r's Name cell selects it: rows are 21 pixels high under the menu bar and the header,
# in the order of their keys.
select_row() { xdotool mousemove --window "$main" 120 $(( 22 + 22 + $1 * 21 + 10 )) click 1; settle; }
key_of() { case $1 in "$refused") echo 7 ;; "$late") echo 2 ;; *) echo 3 ;; esac; }

select_row "$(key_of "$stored")"
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
answer_update_box "no box after Ctrl+U"
grep -q "data message \"$stored\"" "$work/console.log" || fail "the console did not receive the row's entry"
grep -q 'completion reply, status 7F' "$work/console.log" || fail "the console did not confirm"
grep -q "$stored" "$work/flash.bin" || fail "the console's flash does not hold the entry"

# answer_to ENTRY FROM: the console's answer to the data message of ENTRY received from line FROM of its
# log on (7F stored, 7D flash write refused), or "none". The console answers its messages in order.
answer_to() {
  tail -n +"$2" "$work/console.log" | awk -v entry="$1" '
    match($0, /\(data message "[^"]*"/) { names[n++] = substr($0, RSTART + 15, RLENGTH - 16) }
    match($0, /\(completion reply, status [0-9A-F]+/) { statuses[m++] = substr($0, RSTART + 26, 2) }
    END { for (i = 0; i < n; i++) if (names[i] == entry) { print (i < m ? statuses[i] : "none"); exit }
          print "none" }'
}
# What the program's box says, and sonvale-cli's exit status, for each answer of the console; "none"
# only for a writer that did not get its turn at the console.
box_for() {
  case $1 in
    7F) echo "Data update completed." ;;
    7D) echo "Can't write Sonvale Data to Flash Memory." ;;
    *) printf 'Connection Error.\nPlease make sure of whether Ostra is connected to your computer correctly.\n' ;;
  esac
}
status_for() { case $1 in 7F) echo 0 ;; 7D) echo 3 ;; *) echo 4 ;; esac; }

if [ -n "$cli" ]; then
  echo "--- the program and sonvale-cli at one console"
  disagreements=0 shared_from=$SECONDS
  for round in $(seq 0 7); do
    # The program writes the refused entry in even rounds, sonvale-cli in odd ones.
    if (( round % 2 == 0 )); then mine=$refused theirs=$stored; else mine=$stored theirs=$refused; fi
    select_row "$(key_of "$mine")"
    from=$(( $(wc -l <"$work/console.log") + 1 ))
    as_user "$cli" update "$(key_of "$theirs")" >"$work/cli.out" 2>"$work/cli.err" 9>&- &
    cli_pid=$!
    # Rounds 0, 1, 4, 5: Ctrl+U once sonvale-cli is writing; the others: Ctrl+U while it starts.
    if (( round % 4 < 2 )); then
      wait_until 10 grep -q '^Writing' "$work/cli.err" || fail "round $round: sonvale-cli did not begin writing"
    fi
    xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
    await_box "round $round: no box after Ctrl+U"
    shown=$(box_text)
    [ -z "$shots" ] || [ "$round" -gt 0 ] || { mkdir -p "$shots"; import -window root "$shots/shared-console-box.png"; }
    close_box
    cli_status=0; wait "$cli_pid" || cli_status=$?
    ours=$(answer_to "$mine" "$from") cli_answer=$(answer_to "$theirs" "$from")
    if [ "$shown" != "$(box_for "$ours")" ]; then
      disagreements=$(( disagreements + 1 ))
      echo "round $round: the console answered $ours to the program's \"$mine\", its box says: $shown"
    fi
    if [ "$cli_status" -ne "$(status_for "$cli_answer")" ] ||
       { [ "$cli_answer" = none ] && ! grep -q 'the console is busy with another program' "$work/cli.err"; }; then
      disagreements=$(( disagreements + 1 ))
      echo "round $round: the console answered $cli_answer to sonvale-cli's \"$theirs\", it ended with $cli_status: $(cat "$work/cli.err")"
    fi
  done
  echo "shared console: $disagreements of 16 outcomes disagree with the console's answer ($(( SECONDS - shared_from )) s)"
  [ "$disagreements" -eq 0 ] || fail "$disagreements outcomes disagree with the console's answer"

fi
# On a private server only: through PipeWire the stage's other rounds already share the graph.
if [ -n "$cli" ] && [ "${SONVALE_E2E_GRAPH:-}" != running ]; then
  echo "--- thirty updates while sonvale-cli devices looks at the graph again and again"
  # env runs the loop itself, so that $! is the loop and the kill below ends it.
  env "${user_env[@]}" bash -c 'while :; do "$0" devices >/dev/null 2>&1; done' "$cli" 9>&- &
  devices_pid=$!
  disagreements=0 devices_from=$SECONDS
  for round in $(seq 0 29); do
    if (( round % 3 == 0 )); then mine=$refused; else mine=$stored; fi
    select_row "$(key_of "$mine")"
    from=$(( $(wc -l <"$work/console.log") + 1 ))
    xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
    await_box "devices round $round: no box after Ctrl+U"
    shown=$(box_text)
    close_box
    ours=$(answer_to "$mine" "$from")
    if [ "$shown" != "$(box_for "$ours")" ]; then
      disagreements=$(( disagreements + 1 ))
      echo "devices round $round: the console answered $ours to \"$mine\", the box says: $shown"
    fi
  done
  kill "$devices_pid"; wait "$devices_pid" 2>/dev/null || true
  echo "beside sonvale-cli devices: $disagreements of 30 outcomes disagree with the console's answer ($(( SECONDS - devices_from )) s)"
  [ "$disagreements" -eq 0 ] || fail "$disagreements outcomes beside sonvale-cli devices disagree with the console's answer"

fi

if [ "${SONVALE_E2E_GRAPH:-}" != running ]; then
  echo "--- the server stops and starts again"
  stop_server
  await_box "no connection error when the server stopped"
  [ "$(box_text)" = "$(box_for none)" ] || fail "the box when the server stopped says: $(box_text)"
  close_box
  start_server_again
  wait_until 10 grep -q '(identity request)' "$work/console.log" || fail "the program did not come back to the console"
  back_ms=$(( $(date +%s%3N) - console_back ))
  echo "reconnect: the program asked the console $back_ms ms after it was back"
  [ "$back_ms" -le 3000 ] || fail "the program came back only $back_ms ms after the console"
  select_row "$(key_of "$stored")"
  xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
  await_box "no box after Ctrl+U on the restarted server"
  [ "$(box_text)" = "$(box_for 7F)" ] || fail "the update after the restart: $(box_text)"
  close_box
  grep -q "data message \"$stored\"" "$work/console.log" || fail "the console did not receive the update after the restart"
fi

# While sonvale-cli waits for the late answer it holds the console's turn for seconds; the window must
# not take sonvale-cli's start (its probe of the JACK library included) for the console leaving.
if [ -n "$cli" ]; then
  echo "--- sonvale-cli gives up on a late answer; the program's refused write follows: it cannot tell"
  cli_status=0
  as_user "$cli" update "$(key_of "$late")" >"$work/cli.out" 2>"$work/cli.err" 9>&- || cli_status=$?
  [ "$cli_status" -eq 4 ] || fail "sonvale-cli's write of the entry answered late ended with $cli_status: $(cat "$work/cli.err")"
  # At once, while the console's "stored" for sonvale-cli's write may still be on its way: the console
  # refuses this one, and either answer could be taken for the program's.
  select_row "$(key_of "$refused")"
  xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
  await_box "no box after Ctrl+U right after sonvale-cli gave up"
  unproven=$(printf 'The answer from Ostra may be for an earlier update.\nPlease try to update data again.')
  [ "$(box_text)" = "$unproven" ] || fail "the box after sonvale-cli gave up says: $(box_text)"
  [ -z "$shots" ] || { mkdir -p "$shots"; import -window root "$shots/cannot-tell-box.png"; }
  close_box
  # Update stays enabled: a click on the button writes at once, and the console's answer is reported.
  from=$(( $(wc -l <"$work/console.log") + 1 ))
  select_row "$(key_of "$stored")"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove --window "$main" $(( WIDTH / 2 )) $(( HEIGHT - 57 )) click 1
  await_box "a click on Update after the cannot-tell box showed no box"
  [ "$(box_text)" = "$(box_for 7F)" ] || fail "Update after the cannot-tell box: $(box_text)"
  close_box
  tail -n +"$from" "$work/console.log" | grep -q "data message \"$stored\"" \
    || fail "the console did not receive the write after the cannot-tell box"
fi

# After this the program is not connected until the graph changes again (the second console below).
if [ -n "$cli" ]; then
  echo "--- the program gives up on a late answer; sonvale-cli's refused write follows"
  select_row "$(key_of "$late")"
  xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
  await_box "no box after Ctrl+U on the entry the console answers late"
  [ "$(box_text)" = "$(box_for none)" ] || fail "the box for the late answer says: $(box_text)"
  close_box
  # The program gave up; the console's "stored" for it is still to come when sonvale-cli writes.
  cli_status=0
  as_user "$cli" update "$(key_of "$refused")" >"$work/cli.out" 2>"$work/cli.err" 9>&- || cli_status=$?
  [ "$cli_status" -eq 4 ] && grep -q 'a late answer to an earlier write' "$work/cli.err" ||
    fail "sonvale-cli's refused write after the program gave up ended with $cli_status: $(cat "$work/cli.err")"
fi

echo "--- two consoles: File > Console chooses the second"
# As a screen reader reads it: the submenu's name and each console, "*" before the marked one.
read_console_menu() {
  /usr/bin/python3 - <<'PY'
import pyatspi
def walk(node):
    if node is None or node.getRoleName() in ("table", "tree table"):
        return None
    if node.getRoleName() == "menu item" and node.name == "Console" and node.childCount:
        items = [c for c in node[0] if c is not None]
        return "Console: " + ", ".join(("*" if c.getState().contains(pyatspi.STATE_CHECKED) else "") + c.name
                                       for c in items)
    for child in node:
        found = walk(child)
        if found:
            return found
    return None
for app in pyatspi.Registry.getDesktop(0):
    found = walk(app)
    if found:
        print(found)
PY
}
# Until now the title is the program's name alone and the File menu has no Console item: one console
# changes nothing.
title_is "Sonvale Data Manager" || fail "with one console the title is: $(xdotool getwindowname "$main")"
xdotool windowfocus --sync "$main" key --clearmodifiers alt+f
settle
[ -z "$(read_console_menu)" ] || fail "with one console the File menu has a Console item"
press Escape Escape
start_second_console Monitors 5
wait_until 10 title_is "Sonvale Data Manager - Ostra" \
  || fail "with two consoles the title does not name the lowest one: $(xdotool getwindowname "$main")"
xdotool windowfocus --sync "$main" key --clearmodifiers alt+f
settle
press c
[ -z "$shots" ] || { mkdir -p "$shots"; import -window root "$shots/console-menu.png"; }
read=$(read_console_menu)
[ "$read" = "Console: *Ostra (1), Monitors (5)" ] || fail "a screen reader reads the Console menu as: $read"
press Down Return
wait_until 10 title_is "Sonvale Data Manager - Monitors" \
  || fail "choosing the second console: the title is $(xdotool getwindowname "$main")"
if [ -n "$cli" ]; then
  # While the window runs, sonvale-cli devices names the console it chose.
  window_console() {
    as_user "$cli" devices 2>/dev/null | awk '/^Device /{ device = $NF } /the console the window writes to/{ print device }'
  }
  [ "$(window_console)" = Monitors ] || fail "sonvale-cli devices names as the window's console: $(window_console)"
fi
wait_until 10 grep -q '(identity request)' "$work/console-Monitors.log" \
  || fail "the chosen console was not asked for its entry"
from=$(( $(wc -l <"$work/console.log") + 1 ))
select_row "$(key_of "$stored")"
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
answer_update_box "no box after Ctrl+U to the second console"
grep -q "data message \"$stored\"" "$work/console-Monitors.log" || fail "the chosen console did not receive the entry"
! tail -n +"$from" "$work/console.log" | grep -q 'data message' || fail "the first console received the entry as well"
# A note that only the save at Exit can put in the preference file.
typed="note-$RANDOM"
write_note 2 "$typed"
exit_program
[ "$(saved_note 2)" = "$typed" ] || fail "File > Exit did not save the typed note: $(grep '^Note' "$prefs")"
user_home=${prefs%/config/Corvane/*}
start_program
wait_for_main
wait_until 10 title_is "Sonvale Data Manager - Monitors" \
  || fail "after a restart the choice was not kept: the title is $(xdotool getwindowname "$main")"
# The chosen console leaves: the other stands in, and the title says so; back, it is chosen again.
stop "$second_console"
wait_until 10 title_is "Sonvale Data Manager - Ostra" \
  || fail "without the chosen console the title is $(xdotool getwindowname "$main")"
start_second_console Monitors 5
wait_until 10 title_is "Sonvale Data Manager - Monitors" \
  || fail "the chosen console came back, the title is $(xdotool getwindowname "$main")"
exit_program
echo "PASSED: Ctrl+U writes the row's entry, reports the console's own answer beside sonvale-cli and after a server restart, and goes to the console chosen in File > Console ($(( SECONDS - started )) s)"
