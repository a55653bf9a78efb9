#!/usr/bin/env bash
# The program used with the keyboard alone, keys through the window system: the focus marks of the
# list's current row and of the Update button follow Tab; F2 and keypad Enter open a row's note and
# Enter and keypad Enter keep it; Ctrl+3 sorts by "Author"; Tab and Space update the selected entry;
# Alt+H, A opens About; Alt+F, X ends. One mouse case besides: Alt, then a click on the list, keeps the
# note being written. The notes and the sort are checked in the preference file afterwards. At scale
# 1.25 the selection leaves no lines behind.
# Usage: xdotool-keyboard.sh PROGRAM EMULATOR [LANG [SHOTS_DIR]]. With SHOTS_DIR, screenshots of the
# focus marks and of the editor opened from the keyboard are kept there.
set -euo pipefail
program=$1 emulator=$2 lang=${3:-C.UTF-8} shots=${4:-}
source "$(dirname "$0")/journey-lib.sh"
require xdotool import convert
start_console

own_preferences
printf '%s\n' "[Configuration]" "version=1" "NoteNum=0" "SortCol=1" "SortDesFlag=0" "[WindowState]" "Left=100" \
  "Top=100" "Right=900" "Bottom=600" "Zoomed=0" >"$ini"
note_of() { sed -n "s/^Note[0-9]*=$1::\(.*\)$/\1/p" "$ini"; }
# The journey library's own press, which waits for the program, where it has one.
declare -F press >/dev/null || press() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
shot() { import -window root "$1"; }
keep_shot() { [ -z "$shots" ] || { mkdir -p "$shots"; shot "$shots/$1.png"; }; }

start_program "$lang"
wait_for_main
wait_for_question
xdotool windowfocus --sync "$main"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$main")"
# The list fills the window above the band of 105 pixels that holds the Update button.
list_crop="${WIDTH}x$(( HEIGHT - 125 ))+$X+$(( Y + 20 ))"
band_crop="${WIDTH}x105+$X+$(( Y + HEIGHT - 105 ))"
# focus_marks: the pixels of the focus mark's colour in the list and in the band, as "LIST BAND".
focus_marks() {
  shot "$work/marks.png"
  convert "$work/marks.png" -crop "$list_crop" +repage "$work/list.png"
  convert "$work/marks.png" -crop "$band_crop" +repage "$work/band.png"
  echo "$(pixel_count "$work/list.png" 'rgb(224,224,224)') $(pixel_count "$work/band.png" 'rgb(224,224,224)')"
}

# The list has the focus at start; Tab takes it to Update and Shift+Tab back, the marks with it.
read -r list_at_start band_at_start < <(focus_marks)
keep_shot "focus-list-$lang"
press Tab
read -r list_on_button band_on_button < <(focus_marks)
keep_shot "focus-button-$lang"
(( list_at_start - list_on_button >= 150 )) \
  || fail "the list's current row shows no focus mark ($list_at_start pixels with the focus, $list_on_button without)"
(( band_on_button - band_at_start >= 100 )) \
  || fail "the Update button shows no focus mark ($band_on_button pixels with the focus, $band_at_start without)"
press shift+Tab

# Row 2 (entry 2): F2 opens its note, Enter keeps it. Row 3: keypad Enter opens and keeps.
press Down Down F2
xdotool type --delay 60 keys
keep_shot "editor-keyboard-$lang"
press Return Down KP_Enter
xdotool type --delay 60 pad
press KP_Enter

# Row 4: a note being written, Alt (the menu bar takes the focus), then a click on row 3 (below the menu
# bar and the header, 21 pixels a row): the note is kept, so the Escape after it has nothing to drop.
press Down F2
xdotool type --delay 60 alt
press alt
xdotool mousemove --window "$main" 20 $(( 44 + 21 * 3 + 10 )) click 1
sleep 0.3
press Escape

# Ctrl+3 sorts by "Author"; the selected row (entry 3) stays selected, and Tab, Space update it.
press ctrl+3 Tab space
answer_update_box "Tab and Space on Update started no update"
grep -q 'data message "Fenwick Series Vol.3"' "$work/console.log" || fail "the keys did not update the selected entry"

# Alt+H, A opens About; Escape closes it. (Without a window manager nothing gives the focus back to the
# main window when the box closes.)
xdotool windowfocus --sync "$main"
press alt+h a
wait_until 10 all_windows_at_least 2 || fail "Alt+H, A did not open About"
about=$(all_windows | grep -v "^$main\$" | head -n1)
[ "$(xdotool getwindowname "$about")" = "$([ "$lang" = ja_JP.UTF-8 ] && echo バージョン情報 || echo About)" ] \
  || fail "the window Alt+H, A opened is '$(xdotool getwindowname "$about")', not About"
press Escape
wait_until 10 all_windows_exactly 1 || fail "Escape did not close About"

exit_program

# At scale 1.25 the selection leaves no line behind at the edges of rows it left: after Down, Down,
# Shift+Home, Down three times and Home, one band of rows in the selection colour remains.
QT_SCALE_FACTOR=1.25 start_program "$lang"
wait_for_main
xdotool windowfocus --sync "$main"
sleep 0.5
press Down Down shift+Home Down Down Down Home
shot "$work/scaled.png"
bands=$(convert "$work/scaled.png" -fill black +opaque 'rgb(23,54,100)' -fill white -opaque 'rgb(23,54,100)' \
          -resize '1x800!' txt:- | awk -F'[ ,:()]+' 'NR > 1 { on = $4 > 64; if (on && !was) n++; was = on } END { print n + 0 }')
[ "$bands" -eq 1 ] || fail "at scale 1.25 the selection colour shows in $bands bands of rows, not in the selected row's alone"
exit_program

[ "$(note_of 2)" = keys ] || fail "F2 and Enter did not keep the note: note 2 is '$(note_of 2)'"
[ "$(note_of 3)" = pad ] || fail "keypad Enter did not open and keep the note: note 3 is '$(note_of 3)'"
[ "$(note_of 4)" = alt ] || fail "Alt and a click on the list lost the note being written: note 4 is '$(note_of 4)'"
grep -q '^SortCol=3$' "$ini" || fail "Ctrl+3 did not sort by Author: $(grep SortCol "$ini")"
echo "PASSED: focus marks, notes, sorting, the update, About and the end, from the keyboard"
