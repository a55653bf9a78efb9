#!/usr/bin/env bash
# The note editor as a person meets it on a virtual X display, keys and clicks through the window system:
# - typed text shows: dark text on a light field, in English and in Japanese;
# - Ctrl+V with an empty clipboard and Undo when there is nothing to undo or redo change nothing (an
#   accelerator does what its disabled menu item would: nothing);
# - Edit > Undo and Cut chosen from the keyboard (Alt+E, U and T) act on the open edit;
# - Up and Down stay in the editor; Ctrl+U with the editor open updates its row and keeps the note.
# The notes are checked in the preference file after File > Exit.
# Usage: xdotool-note-editor.sh PROGRAM EMULATOR [SHOTS_DIR]. With SHOTS_DIR, screenshots of the editor
# and of the Edit menu's states are kept there. Exit 77 (skipped) when a tool is missing.
set -euo pipefail
program=$1 emulator=$2 shots=${3:-}
source "$(dirname "$0")/journey-lib.sh"
require xdotool import convert
start_console

# Sorted by "No." so that row r shows entry r; the notes of entries 3 to 6 are "old". The column widths
# put the Note column at x 445 to 695.
own_preferences
write_preferences() {
  mkdir -p "$ini_dir"
  printf '%s\n' "[Configuration]" "version=1" "NoteNum=4" "Note0=3::old" "Note1=4::old" "Note2=5::old" \
    "Note3=6::old" "SortCol=1" "SortDesFlag=0" "[WindowState]" "Left=100" "Top=100" "Right=900" "Bottom=600" \
    "Zoomed=0" "[ListState]" "NoWidth=45" "NameWidth=150" "AuthorWidth=100" "DescriptionWidth=150" \
    "NoteWidth=250" >"$ini"
}
note_x=570
row_top() { echo $(( 44 + 21 * $1 )); }  # under the menu bar and the header, 21 pixels a row

shot() { import -window root "$1"; }
keep_shot() { [ -z "$shots" ] || { mkdir -p "$shots"; shot "$shots/$1.png"; }; }
# open_note ROW: a click selects the row, a double-click on its Note cell opens the editor. The two are
# 40 pixels apart, farther than a double-click may stray, so the first click never joins them.
open_note() {
  local y=$(( $(row_top "$1") + 10 ))
  xdotool mousemove --window "$main" $(( note_x - 40 )) $y click 1
  settle
  xdotool mousemove --window "$main" $note_x $y click --repeat 2 --delay 80 1
  settle
}
type_text() { xdotool type --delay 20 "$1"; settle; }
# The editor over row r shows dark text on a light field: the cell is light on average and holds
# pixels at least as dark as text.
expect_visible_text() {
  local row=$1 what=$2 file="$work/editor.png"
  shot "$file"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  local crop="230x15+$(( X + 455 ))+$(( Y + $(row_top "$row") + 3 ))"
  read -r mean darkest < <(convert "$file" -crop "$crop" +repage -colorspace Gray -format '%[fx:mean] %[fx:minima]\n' info:)
  awk -v m="$mean" -v d="$darkest" 'BEGIN { exit !(m > 0.6 && d < 0.3) }' \
    || fail "$what: the editor shows no dark text on a light field (mean $mean, darkest $darkest)"
}
# Screenshots of the Edit menu's states, when kept: all disabled without an edit; Undo after typing;
# Cut and Copy with a selection; Paste with text on the clipboard. The edit on row 7 is dropped.
edit_menu_shots() {
  [ -n "$shots" ] || return 0
  press alt+e && keep_shot "edit-menu-no-edit-$1" && press Escape Escape
  open_note 7 && type_text abc && press alt+e
  keep_shot "edit-menu-undo-$1" && press Escape Escape shift+Home alt+e
  keep_shot "edit-menu-selection-$1" && press Escape Escape ctrl+c End alt+e
  keep_shot "edit-menu-paste-$1" && press Escape Escape Escape
}
note_of() { sed -n "s/^Note[0-9]*=$1::\(.*\)$/\1/p" "$ini"; }

# start_with_notes LANG: the program from the prepared preferences, focused, its question to the console asked.
start_with_notes() {
  write_preferences
  start_program "$1"
  wait_for_main
  wait_for_question
  settle
  xdotool windowfocus --sync "$main"
}
# type_in_row_3 LANGUAGE SUFFIX: opens row 3's note, types abc and checks that it shows; the shots of
# the text and of it selected are kept. The selection stays.
type_in_row_3() {
  open_note 3
  type_text abc
  expect_visible_text 3 "$1"
  keep_shot "note-editor-$2"
  press shift+Home
  keep_shot "note-editor-selection-$2"
}

start_with_notes C.UTF-8
# Row 3: typing shows; Ctrl+V with nothing to paste records nothing, so Undo returns to the opening note.
type_in_row_3 English en
press End ctrl+v ctrl+z End
type_text Z
press Return

# Row 4: after an Undo, a space (no editing key) leaves neither undo nor redo; Ctrl+Z then does nothing.
open_note 4
type_text abc
press ctrl+z End Left space ctrl+z Return

# Row 5: Edit > Undo and Edit > Cut from the keyboard act on the open edit: Undo restores "old", all
# selected, Cut takes it to the clipboard, and Ctrl+V puts it back after a typed Q.
open_note 5
type_text abc
press alt+e u
press alt+e t
type_text Q
press ctrl+v Return

edit_menu_shots en

# Row 6: Up and Down move the caret as in the edit control, and leave the list's selection on the row;
# Ctrl+U in the editor then updates that row's entry, and the focus loss commits the note first.
open_note 6
type_text kep
press Up
type_text e
press Down ctrl+u
answer_update_box "Ctrl+U in the editor started no update"
grep -q 'data message "Brisa #03 AG Comp"' "$work/console.log" || fail "Ctrl+U did not update the edited row's entry"
grep -q 'completion reply, status 7F' "$work/console.log" || fail "the console did not confirm the update"
exit_program

[ "$(note_of 3)" = "oldZ" ] || fail "Ctrl+V with an empty clipboard changed what Undo restores: note 3 is '$(note_of 3)'"
[ "$(note_of 4)" = "ol d" ] || fail "Ctrl+Z with neither undo nor redo changed the note: note 4 is '$(note_of 4)'"
[ "$(note_of 5)" = "Qold" ] || fail "Edit > Undo and Cut from the keyboard did not act on the edit: note 5 is '$(note_of 5)'"
[ "$(note_of 6)" = "keep" ] || fail "Ctrl+U lost the typed note: note 6 is '$(note_of 6)'"

# Japanese: the editor in the list's Japanese font shows its text too.
start_with_notes ja_JP.UTF-8
type_in_row_3 Japanese ja
press Return
edit_menu_shots ja
exit_program
echo "PASSED: the note editor shows its text, its keys and the Edit menu act on the open edit, Ctrl+U updates"
