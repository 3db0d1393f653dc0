#!/usr/bin/python3
"""A desktop copy whose owner serves its targets slowly, as a spreadsheet
serves a large copy: the text as UTF8_STRING, and further targets each given
as NAME:SIZE[:DELAY[:HOW]]. SIZE bytes of data go in pieces (INCR) when
large; DELAY seconds pass before the owner answers, its whole event loop held
up meanwhile; HOW is "data" (the default), "empty" (an empty answer) or
"refuse" (the target is refused).

  slow-owner.py LOG TEXT [NAME:SIZE[:DELAY[:HOW]]]...

TEXT may be @FILE: the text is the file's. Writes "ready" to LOG once it owns
the clipboard, then one line for each request ("request TARGET"), and "lost"
when another program takes the clipboard over, saying on standard error how
long after "ready"; it ends then, or on SIGTERM.
"""
import signal
import sys
import time

from Xlib import X, Xatom, display
from Xlib.protocol import event

CHUNK = 64 * 1024  # well below the server's request size


def pattern(name, size):
    """The target's data: its name repeated, so that each target is told apart."""
    unit = (name + "|").encode()
    return (unit * (size // len(unit) + 1))[:size]


def main():
    log = open(sys.argv[1], "a", buffering=1)
    text = open(sys.argv[2][1:], "rb").read() if sys.argv[2].startswith("@") else sys.argv[2].encode()
    d = display.Display()
    atom = lambda name: d.intern_atom(name)
    targets = {atom("UTF8_STRING"): ("data", text, 0.0)}
    for argument in sys.argv[3:]:
        fields = argument.split(":")
        name, size = fields[0], int(fields[1])
        delay = float(fields[2]) if len(fields) > 2 else 0.0
        how = fields[3] if len(fields) > 3 else "data"
        targets[atom(name)] = (how, pattern(name, size), delay)
    TARGETS, INCR = atom("TARGETS"), atom("INCR")
    CLIPBOARD = atom("CLIPBOARD")

    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    window.set_selection_owner(CLIPBOARD, X.CurrentTime)
    d.sync()
    if d.get_selection_owner(CLIPBOARD) != window:
        sys.exit("could not own the clipboard")
    log.write("ready\n")
    ready = time.monotonic()
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    transfers = {}  # (requestor id, property) -> (type, data still to send in pieces)

    def notify(request, prop):
        reply = event.SelectionNotify(time=request.time, requestor=request.requestor,
                                      selection=request.selection, target=request.target, property=prop)
        request.requestor.send_event(reply)

    while True:
        e = d.next_event()
        if e.type == X.SelectionClear:
            log.write("lost\n")
            sys.stderr.write("taken over after %.1f ms\n" % ((time.monotonic() - ready) * 1e3))
            return
        if e.type == X.PropertyNotify and e.state == X.PropertyDelete:
            key = (e.window.id, e.atom)
            if key in transfers:
                kind, rest = transfers.pop(key)
                piece, rest = rest[:CHUNK], rest[CHUNK:]
                e.window.change_property(e.atom, kind, 8, piece)
                if piece:
                    transfers[key] = (kind, rest)
                d.flush()
            continue
        if e.type != X.SelectionRequest:
            continue
        name = d.get_atom_name(e.target)
        log.write("request %s\n" % name)
        prop = e.property or e.target
        if e.target == TARGETS:
            e.requestor.change_property(prop, Xatom.ATOM, 32, [TARGETS] + list(targets))
            notify(e, prop)
        elif e.target in targets:
            how, data, delay = targets[e.target]
            time.sleep(delay)
            if how == "refuse":
                notify(e, X.NONE)
            elif how == "empty" or len(data) <= CHUNK:
                e.requestor.change_property(prop, e.target, 8, b"" if how == "empty" else data)
                notify(e, prop)
            else:
                e.requestor.change_attributes(event_mask=X.PropertyChangeMask)
                e.requestor.change_property(prop, INCR, 32, [len(data)])
                transfers[(e.requestor.id, prop)] = (e.target, data)
                notify(e, prop)
        else:
            notify(e, X.NONE)
        d.flush()


if __name__ == "__main__":
    main()
