#!/usr/bin/env bash
# The program as a screen reader meets it, on an X display with a window manager (without one no window
# becomes active and no focus event is sent), a session bus of its own and the AT-SPI registry on it.
# a11y-tree.py reads the accessibility tree and its events while it sends keys through the window
# system; it runs once in English and once in Japanese, on a console that answers slowly enough for the
# progress bar to be read.
# Usage: a11y-journey.sh PROGRAM EMULATOR, under tests/on-x-display.sh.
set -euo pipefail
program=$1 emulator_binary=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/journey-lib.sh"
require xdotool xprop openbox
require_accessibility

# The console holds "Fenwick Series Vol.3" at first and answers every message after 1.5 s.
entry="Fenwick Series Vol.3"
emulator="$work/emulator"
printf '#!/bin/sh\nexec "%s" --entry "%s" --fault delay --delay 1500 "$@"\n' "$emulator_binary" "$entry" >"$emulator"
chmod +x "$emulator"

start_accessibility
# openbox now and then ends at once without a word; a second or third start comes up.
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"; }
for _ in 1 2 3; do
  openbox --sm-disable >>"$work/openbox.log" 2>&1 &
  helpers+=($!)
  wait_until 10 wm_up && break
done
wm_up || fail "openbox did not start"

start_console
# The English pass updates the row below the first, "Fenwick Series Vol.1", which the console then holds.
for lang in en ja; do
  case $lang in en) locale=C.UTF-8 ;; ja) locale=ja_JP.UTF-8 entry="Fenwick Series Vol.1" ;; esac
  start_program "$locale"
  wait_for_main
  wait_for_question
  xdotool windowactivate --sync "$main"
  /usr/bin/python3 "$here/a11y-tree.py" "$lang" "$entry" >"$work/a11y-$lang.log" 2>&1 || fail "the $lang accessibility tree"
  cat "$work/a11y-$lang.log"
  [ "$lang" = ja ] || answer_update_box "the update of the English pass showed no box"
  exit_program
done
echo "PASSED: names, roles, states, the current data and the focus events read through AT-SPI, in English and Japanese"
