#!/usr/bin/env bash
# Journeys through the program's shell on the X display it is given (tests/on-x-display.sh gives each
# run its own), driven with xdotool as a person would:
#   1. SIGTERM while start-up shows the connection error: the program ends and writes its preferences.
#   2. The windows carry the program's icon, and the About box shows it; SIGTERM with the About box open
#      and with a menu open ends the program the same way.
#   3. A box opened during a row drag (F1 without the manual) ends the drag: after the box, no drag
#      picture is left on the screen and no drop question comes; a drag released on the Update button
#      still asks, and a cancelled question sends nothing to the console. SIGTERM during a drag ends
#      the program.
#   4. SIGTERM and SIGHUP together (a session's end) during an update wait for it, and so does a SIGHUP
#      after the SIGTERM; a second SIGTERM while the first waits for an update ends the program at once,
#      saving first.
# Before all, a SIGTERM as soon as the program has its handler ends it as File > Exit does. The window's
# X11 class is the one its desktop entry names.
# Usage: xdotool-shell.sh PROGRAM EMULATOR ICON32 [LANG [SHOT_DIR]]. ICON32 is the program's 32-pixel
# icon; with SHOT_DIR the screens of the drag, the drop question and the About box are saved there.
# Exit 77 (skipped) when a tool is missing.
set -euo pipefail
program=$1 emulator=$2 icon=$3 lang=${4:-C.UTF-8} shots=${5:-}
source "$(dirname "$0")/journey-lib.sh"
require xdotool xprop import convert compare strace
[ -n "${DISPLAY:-}" ] || { echo "SKIPPED: no X display"; exit 77; }
cd "$work" # the folder the manual is looked for in: it has none
about_title="About"
case "$lang" in ja*) about_title="バージョン情報" ;; esac
# shot NAME WINDOW: the screen where the window is, saved as NAME.png when screens are asked for.
shot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$2")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots/$1.png"
}
has_icon() { xprop -id "$1" _NET_WM_ICON | grep -q 'Icon ('; }
# close_startup_box: answers the start-up connection error and waits for the main window ($main).
close_startup_box() {
  wait_until 30 has_windows 1 || fail "no connection-error box at start-up"
  local box
  box=$(windows | head -n1)
  xdotool windowfocus --sync "$box" key Return
  wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Sonvale Data Manager\$' | grep -qx $box" \
    || fail "the start-up box did not close"
  wait_for_main
}

# Fresh user folders get a file of defaults as the program starts (the window at 350, 300, 700 by 400,
# its placement marked as defaulted). The program centres such a window on the 1280 by 800 screen, and
# only a save writes that place: before the journey can type anything, the save is checked by it.
centred_place_saved() { grep -qx 'Left=290' "$prefs" && grep -qx 'Top=200' "$prefs"; }
# type_note: a note in row 3 that only a save can put in the file; saved_note 3 must then give $typed.
type_note() {
  typed="note-$RANDOM"
  write_note 3 "$typed"
}
typed=""
# ends_on_sigterm WHAT: SIGTERM now; the program must end by itself (not by the signal) and save: the
# note typed since it started, or without one the centred place.
ends_on_sigterm() {
  kill -TERM "$program_pid"
  program_ended 10 || fail "SIGTERM $1 did not end the program"
  ended_cleanly "SIGTERM $1"
  if [ -n "$typed" ]; then
    [ "$(saved_note 3)" = "$typed" ] || fail "SIGTERM $1: the typed note was not saved: $(grep '^Note' "$prefs")"
  else
    centred_place_saved || fail "SIGTERM $1: the window's place was not saved: $(grep -E '^(Left|Top)=' "$prefs" | tr '\n' ' ')"
  fi
  typed=""
}

echo "--- 0. SIGTERM in the program's first moments"
# The handler is in place before the window system's plug-in is even loaded (the order of the system
# calls, under strace); a signal as soon as it is in place is held until the program can obey it, and
# the program ends as on File > Exit.
JACK_NO_START_SERVER=1 JACK_DEFAULT_SERVER="sonvale-journey-none-$$" XDG_CONFIG_HOME="$work/order" \
  HOME="$work/order" XDG_RUNTIME_DIR="$work/order" strace -f -e trace=rt_sigaction,openat -o "$work/order.txt" \
  "$program" --sonvale-no-such-option >/dev/null 2>&1 &
order_pid=$!
disown "$order_pid"
wait_until 30 grep -q 'platforms/libqxcb' "$work/order.txt" || fail "the program never loaded its window-system plug-in"
kill -KILL "$order_pid" 2>/dev/null; pkill -KILL -f -- "--sonvale-no-such-option" || true
handler_line=$(grep -n 'rt_sigaction(SIGTERM, {sa_handler=0x' "$work/order.txt" | head -n1 | cut -d: -f1 || true)
plugin_line=$(grep -n 'platforms/libqxcb' "$work/order.txt" | head -n1 | cut -d: -f1)
[ -n "$handler_line" ] && [ "$handler_line" -lt "$plugin_line" ] \
  || fail "the SIGTERM handler came only after the window system's plug-in was loaded"
start_program "$lang"
deadline=$(( SECONDS + 10 ))
until catches_sigterm "$program_pid" 2>/dev/null; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the program never put its SIGTERM handler in place"
done
kill -TERM "$program_pid"
program_ended 30 || fail "SIGTERM in the first moments did not end the program"
ended_cleanly "SIGTERM in the first moments"
centred_place_saved || fail "SIGTERM in the first moments: the window's place was not saved: $(grep -E '^(Left|Top)=' "$prefs" | tr '\n' ' ')"

echo "--- 1. SIGTERM with the start-up connection error open"
start_program "$lang"
wait_until 30 has_windows 1 || fail "no connection-error box at start-up"
box=$(windows | head -n1)
wait_until 5 has_icon "$box" || fail "the box has no window icon"
ends_on_sigterm "with the start-up box open"

echo "--- 2. The program's icon; SIGTERM with the About box and with a menu open"
start_program "$lang"
close_startup_box
wait_until 5 has_icon "$main" || fail "the main window has no icon"
# X11 desktops pair the window with its desktop entry by the class the entry names.
entry_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")/../../res/com.corvane.SonvaleDataManager.desktop")
window_class=$(xprop -id "$main" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"$/\1/p')
[ -n "$entry_class" ] && [ "$window_class" = "$entry_class" ] \
  || fail "the window's class \"$window_class\" is not the desktop entry's StartupWMClass \"$entry_class\""
type_note
xdotool windowfocus --sync "$main" key --clearmodifiers alt+h
settle
xdotool key a
# The About box by its title (read as UTF-8: the Japanese one's is not Latin-1).
about_window() {
  local w
  for w in $(all_windows); do
    [ "$(xdotool getwindowname "$w")" = "$about_title" ] && { echo "$w"; return 0; }
  done
  return 1
}
wait_until 10 about_window || fail "Help > About showed no About box"
about=$(about_window)
# Icon 128 on the box's background must be found in its upper left part, pixel for pixel within noise.
about_shows_icon() {
  import -window "$about" "$work/about.png"
  local background
  background=$(convert "$work/about.png" -format '%[pixel:p{2,2}]' info:)
  convert "$icon" -background "$background" -flatten "$work/icon.png"
  convert "$work/about.png" -crop 120x90+0+0 +repage "$work/about-corner.png"
  match=$(compare -metric RMSE -subimage-search "$work/about-corner.png" "$work/icon.png" null: 2>&1 || true)
  local error
  error=$(sed -n 's/.*(\([0-9.e-]*\)).*/\1/p' <<<"$match" | head -n1)
  awk -v e="${error:-1}" 'BEGIN { exit !(e < 0.03) }'
}
wait_until 5 about_shows_icon || fail "the About box does not show the program's icon ($match)"
shot "about" "$about"
ends_on_sigterm "with the About box open"

start_program "$lang"
close_startup_box
type_note
xdotool windowfocus --sync "$main" key --clearmodifiers alt+f
wait_until 10 all_windows_at_least 2 \
  || fail "Alt+F opened no menu"
ends_on_sigterm "with a menu open"

echo "--- 3. A box during a row drag"
start_console
start_program "$lang"
wait_for_main
wait_for_question
eval "$(xdotool getwindowgeometry --shell "$main")"
row_y=$(( Y + 22 + 22 + 3 * 21 + 10 )) update_x=$(( X + WIDTH / 2 )) update_y=$(( Y + HEIGHT - 57 ))
# drag_to_update: presses on the fourth row's Name cell and moves onto the Update button, button held.
drag_to_update() {
  xdotool mousemove $(( X + 120 )) "$row_y" click 1
  settle
  xdotool mousedown 1
  for step in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $(( X + 120 + (update_x - X - 120) * step / 8 )) $(( row_y + (update_y - row_y) * step / 8 ))
    settle
  done
}
# The selected row's colour, which nothing else near the Update button has.
picture_pixels() {
  import -window root -crop 300x120+$(( update_x - 150 ))+$(( update_y - 60 )) +repage "$work/near-update.png"
  pixel_count "$work/near-update.png" "rgb(23,54,100)"
}
drag_to_update
wait_until 5 all_windows_at_least 2 \
  || fail "no drag picture"
picture_shown() { [ "$(picture_pixels)" -gt 100 ]; }
wait_until 5 picture_shown || fail "the drag picture is not over the Update button"
shot "drag-over-update" "$main"
xdotool key F1
wait_until 10 has_windows 2 || fail "F1 showed no box"
box=$(windows | grep -v "^$main\$" | head -n1)
xdotool mouseup 1
xdotool windowfocus --sync "$box" key Return
wait_until 10 has_windows 1 || fail "the box did not close"
xdotool mousemove_relative 4 0
wait_until 5 all_windows_exactly 1 \
  || fail "the drag picture stayed on the screen after the box"
[ "$(picture_pixels)" -eq 0 ] || fail "the drag picture is still drawn near the Update button"
! has_windows 2 || fail "the interrupted drag asked the drop question"

# The same drag released on the button asks; Esc cancels and nothing reaches the console.
drag_to_update
xdotool mouseup 1
wait_until 10 has_windows 2 || fail "a drop on the Update button asked nothing"
shot "drop-question" "$main"
xdotool windowfocus --sync "$(windows | grep -v "^$main\$" | head -n1)" key Escape
wait_until 10 has_windows 1 || fail "the drop question did not close"
type_note
drag_to_update
ends_on_sigterm "during a drag"
xdotool mouseup 1
! grep -q 'data message' "$work/console.log" || fail "an entry was sent to the console"

echo "--- 4. A session's end, then a second SIGTERM, during an update that waits for a slow console"
# The console answers after five seconds. SIGTERM and SIGHUP that come together, as a session's end
# sends them (held while the program is stopped, so that both arrive at once), are one request: the
# program waits for the console's answer and ends as File > Exit does.
stop "$emulator_pid"
start_emulator --fault delay --delay 5000
start_program "$lang"
wait_for_main
type_note
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
wait_until 15 grep -q 'data message' "$work/console.log" || fail "Ctrl+U sent nothing to the console"
kill -STOP "$program_pid"; kill -TERM "$program_pid"; kill -HUP "$program_pid"; kill -CONT "$program_pid"
program_ended 20 || fail "SIGTERM with SIGHUP during an update did not end the program after it"
ended_cleanly "SIGTERM with SIGHUP during an update"
grep -q 'completion reply' "$work/console.log" || fail "SIGTERM with SIGHUP ended the program before the console answered"
[ "$(saved_note 3)" = "$typed" ] || fail "SIGTERM with SIGHUP: the typed note was not saved: $(grep '^Note' "$prefs")"
# A SIGHUP that follows once the program waits for the update (a terminal that closes after a kill) is
# no second request: the program still waits for the console's answer.
start_program "$lang"
wait_for_main
type_note
from=$(( $(wc -l <"$work/console.log") + 1 ))
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
wait_until 15 bash -c "tail -n +$from '$work/console.log' | grep -q 'data message'" || fail "Ctrl+U sent nothing to the console"
kill -TERM "$program_pid"
settle
kill -HUP "$program_pid"
program_ended 20 || fail "SIGHUP after SIGTERM during an update did not end the program after it"
ended_cleanly "SIGHUP after SIGTERM during an update"
tail -n +"$from" "$work/console.log" | grep -q 'completion reply' \
  || fail "SIGHUP after SIGTERM ended the program before the console answered"
[ "$(saved_note 3)" = "$typed" ] || fail "SIGHUP after SIGTERM: the typed note was not saved: $(grep '^Note' "$prefs")"
# A first request waits for the update; a second one ends the program at once, its preferences saved,
# with the status of an end forced by the signal.
start_program "$lang"
wait_for_main
type_note
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
wait_until 15 grep -q 'data message' "$work/console.log" || fail "Ctrl+U sent nothing to the console"
kill -TERM "$program_pid"
settle
kill -TERM "$program_pid"
program_ended 3 || fail "a second SIGTERM did not end the program at once during the update"
[ "$program_status" -eq 143 ] || fail "the forced end ended with status $program_status, not 143"
[ "$(saved_note 3)" = "$typed" ] || fail "the forced end did not save the typed note: $(grep '^Note' "$prefs")"
echo "PASSED: SIGTERM ended the program in each state; the icon is the program's; a box ended the drag"
