#!/usr/bin/python3
# x-sync.py WINDOW [ROUNDS]: waits until the program that owns the X window has worked through every
# input event sent to it so far. It sends the window the window manager's ping (_NET_WM_PING); the
# program answers in order, after the events queued before the ping, so each answered ping means the
# events before it have been read. Two rounds (the default) also let the work those events posted
# (a repaint, a posted note message) run. Exit status 1 when an answer takes longer than five seconds.
import select
import sys
import time

from Xlib import X, display, protocol


def ping(disp, root, window, stamp):
    protocols = disp.intern_atom("WM_PROTOCOLS")
    net_wm_ping = disp.intern_atom("_NET_WM_PING")
    event = protocol.event.ClientMessage(
        window=window, client_type=protocols, data=(32, [net_wm_ping, stamp, window.id, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    disp.flush()
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        while disp.pending_events():
            answer = disp.next_event()
            if (answer.type == X.ClientMessage and answer.window == root
                    and answer.data[1][0] == net_wm_ping and answer.data[1][1] == stamp):
                return True
        select.select([disp], [], [], 0.05)
    return False


def main():
    disp = display.Display()
    root = disp.screen().root
    root.change_attributes(event_mask=X.StructureNotifyMask)
    window = disp.create_resource_object("window", int(sys.argv[1], 0))
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    for stamp in range(1, rounds + 1):
        if not ping(disp, root, window, stamp):
            sys.exit(1)


main()
