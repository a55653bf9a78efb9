#!/usr/bin/env bash
# The program driven as a person would, on the X display it is given (tests/on-x-display.sh gives each
# run its own): click a row, press Ctrl+U, answer the box with Enter, close through File > Exit. The
# emulated console must have received the data message of that row's entry, and its flash must hold it.
# Usage: xdotool-update.sh PROGRAM EMULATOR. Exit 77 (skipped) when xdotool or jackd is missing.
set -euo pipefail
program=$1 emulator=$2
source "$(dirname "$0")/journey-lib.sh"
require xdotool
[ -n "${DISPLAY:-}" ] || { echo "SKIPPED: no X display"; exit 77; }
start_console
start_program
wait_for_main
wait_for_question
settle

# The list's fourth row (key 3, "Fenwick Series Vol.3"): rows are 21 pixels high under the menu bar
# and the header; a click in its Name cell selects it.
xdotool mousemove --window "$main" 120 $(( 22 + 22 + 3 * 21 + 10 )) click 1
settle
xdotool windowfocus --sync "$main" key --clearmodifiers ctrl+u
answer_update_box "no box after Ctrl+U"

grep -q 'data message "Fenwick Series Vol.3"' "$work/console.log" || fail "the console did not receive the row's entry"
grep -q 'completion reply, status 7F' "$work/console.log" || fail "the console did not confirm"
grep -q 'Fenwick Series Vol.3' "$work/flash.bin" || fail "the console's flash does not hold the entry"

exit_program
[ -s "$prefs" ] || fail "no preference file after Exit"
echo "PASSED: the click, Ctrl+U and Enter wrote \"Fenwick Series Vol.3\" into the console"
