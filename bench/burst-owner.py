#!/usr/bin/python3
"""Desktop copies in quick succession, as a user makes them in one program:
each TEXT is copied GAP ms after the one before, from one process, so that
the copies happen in their order and the gap is the gap. Each copy offers,
as a word processor's does, HTML and formats of its own beside the text
(UTF8_STRING): four more targets of 60 KiB.

  burst-owner.py GAP TEXT...

Serves every copy's requests until SIGTERM.
"""
import select
import signal
import sys
import time

from Xlib import X, Xatom, display
from Xlib.protocol import event


def main():
    gap = float(sys.argv[1]) / 1000
    texts = [t.encode() for t in sys.argv[2:]]
    d = display.Display()
    CLIPBOARD, TARGETS, UTF8 = (d.intern_atom(n) for n in ("CLIPBOARD", "TARGETS", "UTF8_STRING"))
    # Below the size that would go in pieces.
    extras = {d.intern_atom(n): n.encode() * (60 * 1024 // len(n))
              for n in ("text/html", "application/x-pelisan-burst-0", "application/x-pelisan-burst-1",
                        "application/x-pelisan-burst-2")}
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    owned = {}  # window id -> text

    def serve(until):  # None: for ever
        while True:
            while d.pending_events():
                e = d.next_event()
                if e.type != X.SelectionRequest or e.owner.id not in owned:
                    continue
                prop = e.property or e.target
                if e.target == TARGETS:
                    e.requestor.change_property(prop, Xatom.ATOM, 32, [TARGETS, UTF8] + list(extras))
                elif e.target == UTF8:
                    e.requestor.change_property(prop, UTF8, 8, owned[e.owner.id])
                elif e.target in extras:
                    e.requestor.change_property(prop, e.target, 8, extras[e.target])
                else:
                    prop = X.NONE
                e.requestor.send_event(event.SelectionNotify(time=e.time, requestor=e.requestor,
                                                             selection=e.selection, target=e.target,
                                                             property=prop))
                d.flush()
            left = None if until is None else until - time.monotonic()
            if left is not None and left <= 0:
                return
            select.select([d.fileno()], [], [], left)

    for text in texts:
        window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        owned[window.id] = text
        window.set_selection_owner(CLIPBOARD, X.CurrentTime)
        d.flush()
        serve(time.monotonic() + gap)
    serve(None)


if __name__ == "__main__":
    main()
