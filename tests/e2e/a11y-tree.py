#!/usr/bin/env python3
"""What a screen reader learns of the running program from the AT-SPI tree and its events, while keys go
through the window system. Usage: a11y-tree.py en|ja ENTRY (ENTRY: the name of the console's entry).
Exit 1 when a check fails."""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

LANG, ENTRY = sys.argv[1], sys.argv[2]
# The names follow the language where the screen does: the menus turn Japanese, while the list, the note
# field and the progress bar keep English names, as the titles, "Current Data :" and "Now Updating..." do.
UPDATE = {"en": "Update", "ja": "アップデート"}[LANG]
failures, events = [], []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    failures.extend([] if condition else [what])


def pump(seconds, until=lambda: False):
    """Delivers AT-SPI events for up to `seconds`, or until `until()` holds."""
    deadline, context = time.monotonic() + seconds, GLib.MainContext.default()
    while time.monotonic() < deadline and not until():
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)
    return until()


def keys(*names):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *names], check=True)


def role(acc):
    return acc.getRoleName() if acc else None


def find(root, predicate):
    """The first object under root, breadth first, that predicate accepts; cells are not descended into."""
    queue = [root]
    while queue:
        acc = queue.pop(0)
        if predicate(acc):
            return acc
        if role(acc) not in ("table cell", "table column header"):
            queue.extend(child for child in acc if child is not None)
    return None


def record(event):
    try:
        events.append((event.type, role(event.source), event.source.name, event.detail1))
    except Exception:  # the object went away before it could be read
        pass


def focused(predicate):
    return next((e for e in events if e[0].endswith(":focused") and e[3] == 1 and predicate(e)), None)


def main_frame():
    apps = [app for app in pyatspi.Registry.getDesktop(0) if app is not None]
    return next((w for app in apps for w in app if w is not None and w.name == "Sonvale Data Manager" and role(w) == "frame"), None)


if not pump(30, lambda: main_frame() is not None):
    sys.exit("FAIL the main window is not in the accessibility tree")
frame = main_frame()
# The cache of names follows a change only for the events someone listens to.
for kind in ("object:state-changed:focused", "object:text-changed", "object:property-change:accessible-name",
             "object:property-change:accessible-description"):
    pyatspi.Registry.registerEventListener(record, kind)

table = find(frame, lambda a: a.name == "Data entries")
check(role(table) == "tree", f"the list is named \"Data entries\" ({role(table)})")
if table is None:
    sys.exit(1)
grid = table.queryTable()


# Only the five columns the list shows: its column 0 has no title and no width, and a screen reader
# moving by cell must not land on it.
titles = [grid.getColumnDescription(c) for c in range(grid.nColumns)]
headers = [find(table, lambda a, c=c: role(a) == "table column header" and a.name == titles[c]) for c in range(grid.nColumns)]
check(titles == ["No.", "Name", "Author", "Description", "Note"] and all(headers),
      f"the list shows a screen reader its five columns: {titles}")


def current_rows():
    return [r for r in range(grid.nRows) if grid.getAccessibleAt(r, 0).description == "current data"]


pump(20, lambda: len(current_rows()) == 1)
rows = current_rows()
check(len(rows) == 1 and grid.getAccessibleAt(rows[0], 1).name == ENTRY,
      f"the row of \"{ENTRY}\" alone is described as \"current data\" (rows {rows})")

update = find(frame, lambda a: role(a) == "menu item" and a.name == UPDATE)
binding = update.queryAction().getKeyBinding(0) if update else None
check(binding == "Ctrl+U", f"File has an item \"{UPDATE}\" whose key binding is Ctrl+U ({binding!r})")
items = []  # every menu item's name, gathered by a search that accepts none
find(frame, lambda a: role(a) == "menu item" and items.append(a.name))
check(items and not [i for i in items if "\t" in i or "Ctrl" in i or "(" in i],
      f"no menu item names its accelerator or mnemonic: {items}")

# The current cell after Down is the next row's "No.", the first column; Tab reaches Update.
events.clear()
keys("Down")
number = grid.getAccessibleAt(1, 0).name
check(pump(5, lambda: focused(lambda e: e[1] == "table cell" and e[2] == number)),
      f"Down focuses the \"No.\" cell \"{number}\" ({focused(lambda e: True)})")
events.clear()
keys("Tab")
check(pump(5, lambda: focused(lambda e: e[1] == "push button" and e[2] == "Update")), "Tab focuses Update")
keys("shift+Tab")
pump(1)

# F2 opens the note field, named after its entry; reopening it announces no deleted text.
note = "Note for " + grid.getAccessibleAt(1, 1).name
events.clear()
keys("F2")
check(pump(5, lambda: focused(lambda e: e[1] == "text" and e[2] == note)), f"F2 focuses the note field \"{note}\"")
subprocess.run(["xdotool", "type", "--delay", "40", "abc"], check=True)
keys("Return")
pump(1)
events.clear()
keys("F2")
pump(3, lambda: focused(lambda e: e[2] == note))
deleted = [e for e in events if e[0].startswith("object:text-changed:delete")]
check(not deleted, f"reopening the note announces no deleted text ({deleted})")
keys("Escape")
pump(1)

if LANG == "en":
    # While an update runs (the console answers slowly) the progress bar is named, though it shows no text.
    keys("ctrl+u")
    def progress_bar():
        apps = [app for app in pyatspi.Registry.getDesktop(0) if app is not None]
        return next((b for b in (find(app, lambda a: role(a) == "progress bar") for app in apps) if b), None)
    pump(10, lambda: progress_bar() is not None)
    bar = progress_bar()
    pump(2, lambda: bar is not None and bar.name == "Update progress")
    check(bar is not None and bar.name == "Update progress", f"the progress bar is named ({bar and bar.name!r})")

sys.exit(1 if failures else 0)
