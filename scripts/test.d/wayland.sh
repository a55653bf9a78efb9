#!/usr/bin/env bash
# Stage of scripts/test: the program natively on Wayland, in a headless sway with a private runtime
# folder and one output. It runs the window suites that place windows, drag rows, show boxes and
# activate windows on Qt's wayland platform, then journeys through the compositor: keys with wtype,
# the pointer with tools/wl-pointer (a virtual pointer of the seat), screens with grim and window facts
# from swaymsg; the program's windows are found by their app_id, which must be the id of the desktop
# entry that cmake --install puts in place. Everything it starts it stops again, by process id. BUILD_DIR (default build/default)
# names the build it uses; SHOT_DIR, when set, keeps the screens of the drag, the question, the
# progress dialog, the result box and the Console menu; SWAY_SCALE (default 1) is the output's scale.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build="$root/${BUILD_DIR:-build/default}"
bin="$build/bin"
for tool in sway swaymsg wtype grim convert setpriv jackd; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps installs it)"; exit 1; }
done
[ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so ] \
  || { echo "FAILED: Qt's Wayland plugin is not installed (qt6-wayland)"; exit 1; }
program="$bin/sonvale-data-manager" emulator="$bin/ostra-emulator" pointer="$bin/wl-pointer"
for built in "$program" "$emulator" "$pointer" "$bin/app_tests" "$bin/update_tests" "$bin/app_shell_host"; do
  [ -x "$built" ] || { echo "FAILED: $built is not built"; exit 1; }
done
shots=${SHOT_DIR:-}

# The journeys need their JACK server: one that cannot be had fails the stage, as in the rest of scripts/test.
export SONVALE_REQUIRE_JACK=${SONVALE_REQUIRE_JACK:-1}
source "$root/tests/e2e/journey-lib.sh" # $work, start_console, start_program, stop, fail
compositor_pid="" keyboard_pid="" pointer_pid="" run=""
cleanup_stage() {
  stop "$pointer_pid"; stop "$keyboard_pid"; stop "$program_pid"; stop "$compositor_pid"
  [ -z "$run" ] || rm -rf "$run"
  journey_cleanup
}
trap cleanup_stage EXIT

# sway refuses to run as root: as root the compositor runs as nobody, and its clients reach it by the
# socket's full path. Its runtime folder is a folder of its own, which the work folder could not be.
run=$(mktemp -d)
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$run"
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
# The window's app_id must name the desktop entry as installed: docks and compositors that match windows
# by app_id find the entry's icon and launcher through it.
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed"
entries=("$work/prefix/share/applications/"*.desktop)
[ "${#entries[@]}" -eq 1 ] && [ -f "${entries[0]}" ] || fail "the install holds no single desktop entry: ${entries[*]}"
app_id=$(basename "${entries[0]}" .desktop)
export app_id
# The output is 1280 by 800 logical pixels at any scale.
scale=${SWAY_SCALE:-1} lw=1280 lh=800
cat >"$run/sway.conf" <<CONF
output HEADLESS-1 resolution $(( lw * scale ))x$(( lh * scale )) position 0 0 scale $scale
default_border normal
for_window [app_id="$app_id"] floating enable
focus_on_window_activation urgent
CONF
env -i PATH="$PATH" XDG_RUNTIME_DIR="$run" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  "${as_user[@]}" sway -c "$run/sway.conf" >"$work/sway.log" 2>&1 9>&- &
compositor_pid=$!
wait_until 10 bash -c "ls '$run'/sway-ipc.*.sock && test -S '$run/wayland-1'" >/dev/null || fail "sway did not start"
export WAYLAND_DISPLAY="$run/wayland-1" SWAYSOCK=$(ls "$run"/sway-ipc.*.sock) QT_QPA_PLATFORM=wayland
unset DISPLAY

# The suites compare pictures pixel for pixel at scale 1; another scale is for the journeys and screens.
if [ "$scale" -eq 1 ]; then
  echo "--- window suites on Qt's wayland platform"
  export XDG_RUNTIME_DIR="$work/run-suites" && mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  # Through scripts/ctest-all, as everywhere in scripts/test: a case that skips, or a selection that
  # matches nothing, fails the stage. Of the main window's placement cases only those where the
  # compositor places the window apply here; the ones that place it themselves are left out.
  suites='^(MainFrame\.WhereTheCompositorPlaces|MainFrame\.MinimumSize|SingleInstance\.|ProgressDialog\.|RowDrag\.|UpdateCommand\.)'
  SONVALE_TEST_ON_WAYLAND=1 "$root/scripts/ctest-all" --test-dir "$build" -R "$suites" --output-on-failure \
    >"$work/suites.log" 2>&1 9>&- \
    || fail "the main window, single-instance, progress dialog, row drag and Update command suites failed on Wayland"
  unset XDG_RUNTIME_DIR
  grep -E '^[0-9]+% tests passed' "$work/suites.log"
  rm -f "$work/suites.log"
fi

# One wtype keeps a keyboard on the seat for the whole stage, reading a FIFO that this script holds
# open: a seat whose only keyboard comes and goes with each wtype loses the first keys after it comes back.
mkfifo "$work/keys"
exec 6<>"$work/keys"
wtype - <"$work/keys" >/dev/null 2>&1 6>&- 9>&- &
keyboard_pid=$!
press() { wtype "$@"; sleep 0.3; }
# One pointer for the stage, fed through a FIFO: a drag holds its button from press to release.
mkfifo "$work/pointer"
"$pointer" "$lw" "$lh" <"$work/pointer" >"$work/pointer.log" 2>&1 6>&- 9>&- &
pointer_pid=$!
exec 7>"$work/pointer"
pointer_do() { printf '%s\n' "$@" >&7; sleep 0.05; }

# views: per window of the program, main window first, "pid focused urgent x y w h workspace title",
# with the rectangle of its contents in logical output pixels.
views() {
  swaymsg -t get_tree | python3 -c '
import json, os, sys
def walk(n, ws):
    if n.get("type") == "workspace": ws = n.get("name")
    if n.get("app_id") == os.environ["app_id"]:
        r, w = n["rect"], n["window_rect"]
        print(n["pid"], int(n["focused"]), int(n["urgent"]), r["x"] + w["x"], r["y"] + w["y"], w["width"], w["height"],
              ws, n.get("name") or "")
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c, ws)
walk(json.load(sys.stdin), None)'
}
view_count() { views | wc -l; }
has_views() { [ "$(view_count)" -eq "$1" ]; }
main_fact() { views | sed -n 1p | cut -d' ' -f"$1"; } # 2 focused, 3 urgent, 4-7 rectangle, 8 workspace
box_fact() { views | tail -n1 | cut -d' ' -f"$1"; }
main_is() { [ "$(main_fact "$1")" = "$2" ]; }
box_titled() { [ "$(view_count)" -eq 2 ] && [ "$(box_fact 9-)" = "$1" ]; }
export -f views view_count has_views main_fact box_fact main_is box_titled
# The app_ids of every window on the output.
app_ids() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(n):
    if n.get("type") in ("con", "floating_con") and n.get("pid"): print(n.get("app_id"))
    for c in n.get("nodes", []) + n.get("floating_nodes", []): walk(c)
walk(json.load(sys.stdin))' | sort -u | tr '\n' ' '
}
wait_for_main_view() {
  wait_until 30 has_views 1 || fail "no window with the installed entry's id $app_id as its app_id; app_ids: $(app_ids)"
  read -r _ _ _ X Y W H _ < <(views | sed -n 1p)
}
# screen NAME: the output as NAME.png in the work folder (and in SHOT_DIR when screens are kept).
screen() {
  grim "$work/$1.png"
  [ -z "$shots" ] || { mkdir -p "$shots"; cp "$work/$1.png" "$shots/$1-scale$scale.png"; }
}
# selection_pixels SCREEN X Y W H: how many pixels of that logical rectangle of the screen have the
# selected row's colour, which the drag picture is filled with (counted in logical pixels).
selection_pixels() {
  convert "$work/$1.png" -crop "$(( $4 * scale ))x$(( $5 * scale ))+$(( $2 * scale ))+$(( $3 * scale ))" +repage \
    "$work/crop.png"
  echo $(( $(pixel_count "$work/crop.png" "rgb(23,54,100)") / (scale * scale) ))
}

echo "--- 1. The drag picture follows the pointer"
# Preferences an X11 session left: the window at (100, 100), 800 by 500.
user_home="$work/user"
mkdir -p "$user_home/config/Corvane/Sonvale Data Manager"
printf '%s\n' "[Configuration]" "version=1" "NoteNum=0" "SortCol=1" "SortDesFlag=0" "[WindowState]" "Left=100" \
  "Top=100" "Right=900" "Bottom=600" "Zoomed=0" "[ListState]" "NoWidth=45" "NameWidth=150" "AuthorWidth=100" \
  "DescriptionWidth=150" "NoteWidth=250" \
  >"$user_home/config/Corvane/Sonvale Data Manager/sonvale-data-manager.ini"
start_console
start_program
wait_for_main_view
echo "the main window's app_id is the installed desktop entry's id: $app_id"
wait_for_question
sleep 0.5
# The fourth row's Name cell (under the menu bar and the header, 21 pixels a row) and the Update button.
row_x=$(( X + 120 )) row_y=$(( Y + 22 + 22 + 3 * 21 + 10 ))
update_x=$(( X + W / 2 )) update_y=$(( Y + H - 57 ))
# Pressed, then moved sideways past the drag distance: the drag begins with the pointer on the grabbed
# row, the picture's hotspot where the pointer is.
pointer_do "move $row_x $row_y" down up "wait 300" down "move $(( row_x + 6 )) $row_y" "move $(( row_x + 12 )) $row_y"
picture_under_pointer() { # SCREEN X Y: most of a strip right of the pointer at (X, Y) is the picture's colour
  [ "$(selection_pixels "$1" $(( $2 + 20 )) $(( $3 - 3 )) 100 6)" -gt 300 ]
}
# Over the list, four rows below the grabbed one.
x=$(( row_x + 12 )) y=$(( row_y + 84 ))
for step in 1 2 3 4; do pointer_do "move $(( row_x + 12 )) $(( row_y + 21 * step ))"; done
sleep 0.5
screen drag-over-list
picture_under_pointer drag-over-list "$x" "$y" || fail "mid-drag the row's picture is not under the pointer"
for step in 1 2 3 4 5 6 7 8; do
  pointer_do "move $(( x + (update_x - x) * step / 8 )) $(( y + (update_y - y) * step / 8 ))"
done
sleep 0.5
screen drag-over-update
picture_under_pointer drag-over-update "$update_x" "$update_y" \
  || fail "over the Update button the row's picture is not under the pointer"
pointer_do up
wait_until 10 has_views 2 || fail "a drop on the Update button asked nothing"
screen drop-question
press -k Escape
wait_until 10 has_views 1 || fail "Escape did not close the question"
screen after-cancel
! picture_under_pointer after-cancel "$update_x" "$update_y" || fail "the drag picture stayed after the question"

echo "--- 4. No urgent main window after an update"
swaymsg focus_on_window_activation urgent >/dev/null
for round in 1 2; do
  pointer_do "move $row_x $row_y" down up
  sleep 0.3
  press -M ctrl -k u -m ctrl
  [ "$round" -eq 2 ] || { wait_until 5 box_titled "Now Updating..." && screen progress-dialog; }
  wait_until 20 box_titled "Sonvale Data Manager" || fail "no result box after Ctrl+U"
  sleep 1.5 # the activation requests came within a second of the box
  [ "$round" -eq 2 ] || screen result-box
  [ "$(main_fact 3)" = 0 ] || fail "the main window demands attention after an update (round $round)"
  [ "$(box_fact 2)" = 1 ] || fail "the result box does not have the focus (round $round)"
  press -k Return
  wait_until 10 has_views 1 || fail "Enter did not close the result box"
  wait_until 5 main_is 2 1 || fail "the main window did not get the focus back after the box"
done
grep -q 'completion reply, status 7F' "$work/console.log" || fail "the console did not confirm the update"
# A second console: chosen by keys in File > Console, it is the one Update writes to.
start_second_console Monitors 5
main_titled() { [ "$(main_fact 9-)" = "$1" ]; }
wait_until 10 main_titled "Sonvale Data Manager - Ostra" || fail "with two consoles the title is: $(main_fact 9-)"
press -M alt -k f -m alt
press -k c
screen console-menu
press -k Down
press -k Return
wait_until 10 main_titled "Sonvale Data Manager - Monitors" || fail "choosing the second console: the title is $(main_fact 9-)"
pointer_do "move $row_x $row_y" down up
press -M ctrl -k u -m ctrl
wait_until 20 box_titled "Sonvale Data Manager" || fail "no result box after Ctrl+U to the second console"
press -k Return
wait_until 10 has_views 1 || fail "Enter did not close the result box"
grep -q 'completion reply, status 7F' "$work/console-Monitors.log" || fail "Update did not reach the console chosen in File > Console"

echo "--- 3. A second start brings the first window forward"
swaymsg workspace 2 >/dev/null
wait_until 5 main_is 2 0 || fail "the main window kept the focus on another workspace"
second_start() { # [TOKEN]: the program once more, as the same user, with the launcher's token if given
  env ${1:+XDG_ACTIVATION_TOKEN=$1} XDG_CONFIG_HOME="$user_home/config" HOME="$user_home/home" \
    XDG_RUNTIME_DIR="$user_home/run" JACK_NO_START_SERVER=1 timeout 20 "$program" >>"$work/second.log" 2>&1 6>&- 9>&-
}
# Without a token the window asks for attention.
second_start
wait_until 5 main_is 3 1 || fail "a second start without a token left the first window as it was: no attention asked"
# With the launcher's token it comes forward.
swaymsg focus_on_window_activation focus >/dev/null
swaymsg "[app_id=\"$app_id\"] urgent disable" >/dev/null || true
token=$(printf 'token\n' | "$pointer" "$lw" "$lh" 2>>"$work/pointer.log")
[ -n "$token" ] || fail "the compositor gave no activation token"
second_start "$token"
wait_until 5 main_is 2 1 || fail "a second start with an activation token did not bring the first window forward"

echo "--- 2. The saved place after a Wayland session"
# The program was placed at (100, 100) by an X11 session; on Wayland it is resized and closed.
swaymsg "[app_id=\"$app_id\"] resize set 700 420" >/dev/null
wait_until 5 bash -c '[ "$(main_fact 6)" != "'"$W"'" ]' || fail "sway did not resize the window"
read -r _ _ _ _ _ W H _ < <(views | sed -n 1p)
press -M alt -k f -m alt
press -k x
program_ended 10 || fail "File > Exit did not end the program"
grep -q '^Left=100$' "$prefs" && grep -q '^Top=100$' "$prefs" \
  || fail "the Wayland session overwrote the stored position: $(grep -E '^(Left|Top|Right|Bottom)=' "$prefs" | tr '\n' ' ')"
grep -q "^Right=$(( 100 + W ))\$" "$prefs" && grep -q "^Bottom=$(( 100 + H ))\$" "$prefs" \
  || fail "the window's size ${W}x$H was not stored: $(grep -E '^(Right|Bottom)=' "$prefs" | tr '\n' ' ')"
echo "PASSED: on Wayland the drag picture follows the pointer, the stored position stays, a second start brings the window forward, and no update leaves the main window urgent"
