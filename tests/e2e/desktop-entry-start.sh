#!/usr/bin/env bash
# The program started as a desktop menu starts it: the Exec line of its desktop entry, run from a folder
# that holds nothing of the program's (no manual, as the home folder), on the X display it is given and
# on the JACK graph that runs, with no wrapper: the driver chooses the JACK library itself. No box
# at start, the console's current entry shown under the list, and an update by keys (Down selects the
# next row, Ctrl+U writes it, Enter answers the box) reaches the console. The console must hold the
# first entry (key 0) at start, so that Down selects the entry with key 1.
# Usage: desktop-entry-start.sh DESKTOP_FILE BIN_DIR EMULATOR ENTRY [SHOTS_DIR]: ENTRY is the entry the
# console holds at start. Exit 77 (skipped) when xdotool or the accessibility bus is missing.
set -euo pipefail
desktop=$1 bin=$(cd "$2" && pwd) emulator=$3 entry=$4 shots=${5:-}
source "$(dirname "$0")/journey-lib.sh"
require xdotool
require_accessibility
[ -n "${DISPLAY:-}" ] || { echo "SKIPPED: no X display"; exit 77; }

read -ra exec_line < <(sed -n 's/^Exec=//p' "$desktop")
[ "${#exec_line[@]}" -gt 0 ] || fail "$desktop has no Exec line"
export PATH="$bin:$PATH"
program=$(command -v "${exec_line[0]}") || fail "the Exec line's ${exec_line[0]} is not on the path"

start_console
start_accessibility
elsewhere="$work/elsewhere"
mkdir -p "$elsewhere"
cd "$elsewhere"
start_program
cd - >/dev/null
[ "$(readlink "/proc/$program_pid/cwd")" = "$elsewhere" ] || fail "the program does not run in $elsewhere"
wait_for_main
wait_for_question
# The first answer arrives: the current entry shows in the label under the list, and no box came.
current_label() {
  /usr/bin/python3 - "$entry" <<'PY'
import sys, pyatspi
def walk(node):
    if node is None or node.getRoleName() in ("table", "tree table"):
        return False
    if node.getRoleName() == "label" and node.name == sys.argv[1]:
        return True
    return any(walk(child) for child in node)
sys.exit(0 if any(walk(app) for app in pyatspi.Registry.getDesktop(0)) else 1)
PY
}
wait_until 10 current_label || fail "the current entry \"$entry\" is not shown"
settle
has_windows 1 || fail "a box showed at start: $(box_text)"
[ -z "$shots" ] || { mkdir -p "$shots"; import -window root "$shots/desktop-entry-start.png"; }

from=$(( $(wc -l <"$work/console.log") + 1 ))
xdotool windowfocus --sync "$main"
press Down
xdotool key --clearmodifiers ctrl+u
await_box "no box after Ctrl+U"
shown=$(box_text)
[ -z "$shots" ] || import -window root "$shots/desktop-entry-update-box.png"
close_box
[ "$shown" = "Data update completed." ] || fail "the update's box says: $shown"
tail -n +"$from" "$work/console.log" | grep -q '(data message "Fenwick Series Vol.1"' \
  || fail "the console did not receive the entry with key 1: $(tail -n +"$from" "$work/console.log")"
echo "PASSED: started by its desktop entry's Exec line from $elsewhere: no box, \"$entry\" shown, the update reached the console"
