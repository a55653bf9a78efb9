#!/usr/bin/env bash
# The program driven as a person would, on a virtual X display: click a row, press Ctrl+U, answer the
# box with Enter, close through File > Exit. The emulated console must have received the data message
# of that row's entry, and its flash must hold it.
# Usage: xdotool-update.sh PROGRAM EMULATOR. Exit 77 (skipped) when Xvfb, xdotool or jackd is missing.
set -euo pipefail
program=$1 emulator=$2
source "$(dirname "$0")/xdotool-session.sh"
start_console
start_display
start_program C.UTF-8

# The list's fourth row (key 3, "Fenwick Series Vol.3"): rows are 21 pixels high under the menu bar
# and the header; a click in its Name cell selects it.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" 120 $(( 22 + 22 + 3 * 21 + 10 )) click 1
sleep 0.3
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
answer_update_box "no box after Ctrl+U"

grep -q 'data message "Fenwick Series Vol.3"' "$work/console.log" || fail "the console did not receive the row's entry"
grep -q 'completion reply, status 7F' "$work/console.log" || fail "the console did not confirm"
grep -q 'Fenwick Series Vol.3' "$work/flash.bin" || fail "the console's flash does not hold the entry"

exit_program
[ -s "$work/config/Corvane/Sonvale Data Manager/sonvale-data-manager.ini" ] || fail "no preference file after Exit"
echo "PASSED: the click, Ctrl+U and Enter wrote \"Fenwick Series Vol.3\" into the console"
