#!/usr/bin/python3
"""box-text.py: the text of the program's open box, as a screen reader reads it from the accessibility
tree (the labels of the alert window), one label a line. Waits up to five seconds for the box; exit
status 1 when none shows."""
import sys
import time

import pyatspi


def box_text():
    for app in pyatspi.Registry.getDesktop(0):
        for window in app if app is not None else []:
            if window is not None and window.getRoleName() == "alert":
                return "\n".join(c.name for c in window if c is not None and c.getRoleName() == "label")
    return None


deadline = time.monotonic() + 5
while (text := box_text()) is None and time.monotonic() < deadline:
    time.sleep(0.05)
if text is None:
    sys.exit("no box in the accessibility tree")
print(text)
