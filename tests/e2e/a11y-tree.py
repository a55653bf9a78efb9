#!/usr/bin/env python3
"""What a screen reader learns of the program, read from the AT-SPI tree while keys go through the window
system: the names, roles and states of the list, its cells, the note field, the menu items and the
progress bar, the console's entry read as "current data", and the focus events of keyboard moves.

Usage: a11y-tree.py LANG ENTRY. LANG is en or ja (the names expected); ENTRY is the name of the entry the
console holds. Keys are sent with xdotool; the program and the console run already. Exit 0 when every
check holds, 1 with the failed checks listed."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

LANG, ENTRY = sys.argv[1], sys.argv[2]
# The names follow the language where the screen does: the menus are Japanese in Japanese, while the
# list, the note field and the progress bar are named in English, as the column titles, "Current Data :"
# and "Now Updating..." around them stay English.
SAME = {"list": "Data entries", "current": "current data", "note": "Note for {}", "progress": "Update progress"}
NAMES = {"en": dict(SAME, update="Update(U)"), "ja": dict(SAME, update="アップデート(U)")}[LANG]
failures = []
events = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def pump(seconds, until=lambda: False):
    """Runs the event loop that delivers AT-SPI events for up to `seconds`, or until `until()` holds."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        if until():
            return True
        time.sleep(0.02)
    return until()


def keys(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True)


def walk(root):
    """Every object under root, breadth first; the list's cells are not descended into."""
    queue = [root]
    while queue:
        acc = queue.pop(0)
        yield acc
        try:
            if role(acc) not in ("table cell", "table column header"):
                queue.extend(child for child in acc if child is not None)
        except Exception:
            pass


def find(root, predicate):
    return next((acc for acc in walk(root) if predicate(acc)), None)


def role(acc):
    return acc.getRoleName() if acc else None


def record(event):
    try:
        events.append((event.type, role(event.source), event.source.name, event.detail1))
    except Exception:
        pass


def focus_event(predicate):
    return next((e for e in events if e[0].startswith("object:state-changed:focused") and e[3] == 1 and predicate(e)),
                None)


def main_frame():
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == "Sonvale Data Manager" and role(window) == "frame":
                return window
    return None


frame = None
pump(30, lambda: main_frame() is not None)
frame = main_frame()
if frame is None:
    print("FAIL the main window is not in the accessibility tree")
    sys.exit(1)

# Names are read from the AT-SPI cache, which follows a change only for the events someone listens to.
for kind in ("object:state-changed:focused", "object:text-changed", "object:text-selection-changed",
             "object:property-change:accessible-name", "object:property-change:accessible-description"):
    pyatspi.Registry.registerEventListener(record, kind)

# The list: named, a tree of the entries whose cells are read by their texts.
table = None
pump(10, lambda: find(frame, lambda a: a.name == NAMES["list"]) is not None)
table = find(frame, lambda a: a.name == NAMES["list"])
check(table is not None and role(table) in ("tree", "tree table", "table"),
      f"the list is named \"{NAMES['list']}\" ({role(table)})")
if table is None:
    def dump(acc, depth=0):
        print("  " * depth + f"{role(acc)} {acc.name!r}")
        if depth < 6 and role(acc) not in ("table cell", "tree item", "menu item"):
            for child in acc:
                if child is not None:
                    dump(child, depth + 1)
    dump(frame)
    sys.exit(1)
grid = table.queryTable()

# The console's entry: its row reads as "current data", no other row does.
def current_rows():
    rows = set()
    for r in range(grid.nRows):
        cell = grid.getAccessibleAt(r, 1)
        if cell is not None and cell.description == NAMES["current"]:
            rows.add(r)
    return rows

pump(20, lambda: len(current_rows()) == 1)
rows = current_rows()
check(len(rows) == 1 and grid.getAccessibleAt(min(rows), 2).name == ENTRY,
      f"the row of \"{ENTRY}\" alone is described as \"{NAMES['current']}\" (rows {sorted(rows)})")

# Menu items: the caption without its accelerator, which is the item's key binding.
update = find(frame, lambda a: role(a) == "menu item" and a.name == NAMES["update"])
check(update is not None, f"File has an item named \"{NAMES['update']}\"")
if update is not None:
    binding = update.queryAction().getKeyBinding(0)
    check("Ctrl+U" in binding or "<Control>u" in binding.replace("U", "u"), f"its key binding is Ctrl+U ({binding!r})")
items = [acc for acc in walk(frame) if role(acc) == "menu item"]
check(items and all("\t" not in i.name and "Ctrl" not in i.name for i in items),
      "no menu item carries its accelerator in its name: " + ", ".join(repr(i.name) for i in items))

# Keyboard moves: the current cell is a visible, named one; Tab reaches Update and comes back.
events.clear()
keys("Down")
pump(5, lambda: focus_event(lambda e: e[1] in ("table cell", "tree item")) is not None)
cell = focus_event(lambda e: e[1] in ("table cell", "tree item"))
number = grid.getAccessibleAt(1, 1).name
check(cell is not None and number != "" and cell[2] == number,
      f"Down focuses the \"No.\" cell of the next row, \"{number}\", not the untitled column 0 ({cell})")

events.clear()
keys("Tab")
check(pump(5, lambda: focus_event(lambda e: e[1] == "push button") is not None),
      f"Tab sends a focus event for the Update button ({focus_event(lambda e: e[1] == 'push button')})")
keys("shift+Tab")
pump(2)

# F2 opens the note field, named after its entry, and tells it has the focus.
name = grid.getAccessibleAt(1, 2).name
events.clear()
keys("F2")
expected = NAMES["note"].format(name)
check(pump(5, lambda: focus_event(lambda e: e[2] == expected) is not None),
      f"F2 focuses the note field named \"{expected}\" ({[e for e in events if 'focused' in e[0]]})")
subprocess.run(["xdotool", "type", "--delay", "40", "abc"], check=True)
keys("Return")
pump(2)

# Reopening the note: nothing of its text or selection is announced as deleted.
events.clear()
keys("F2")
pump(5, lambda: focus_event(lambda e: e[2] == expected) is not None)
pump(1)
deleted = [e for e in events if e[0].startswith("object:text-changed:delete")]
check(not deleted, f"reopening the note announces no deleted text ({deleted})")
keys("Escape")
pump(1)

if LANG == "en":
    # The progress bar while an update runs (the console answers slowly): named, though it shows no text.
    keys("ctrl+u")
    bar = None
    def progress_bar():
        for app in pyatspi.Registry.getDesktop(0):
            found = find(app, lambda a: role(a) == "progress bar") if app is not None else None
            if found is not None:
                return found
        return None
    pump(10, lambda: progress_bar() is not None)
    bar = progress_bar()
    pump(2, lambda: bar.name == NAMES["progress"])
    check(bar is not None and bar.name == NAMES["progress"],
          f"the progress bar is named \"{NAMES['progress']}\" ({bar.name if bar else None!r}, "
          f"in {bar.parent.name if bar else None!r})")

sys.exit(1 if failures else 0)
