#!/usr/bin/python3
"""Prints the controls of one of Gardlock's windows as the accessibility bus
(AT-SPI) shows them, one a line, tab-separated:

    role  name  description  showing|hidden  x,y,w,h  editable|read-only|-

"editable" means that the control offers editable text, through which an
assistive tool could type into it. Usage: accessible_controls.py TITLE.
Exits 1 when no such window is on the bus.
"""

import sys

import pyatspi


def name_of(obj):
    return " ".join((obj.name or "").split())


def walk(obj):
    for i in range(obj.childCount):
        child = obj.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from walk(child)


def writing(obj):
    try:
        obj.queryEditableText()
        return "editable"
    except NotImplementedError:
        pass
    try:
        obj.queryText()
        return "read-only"
    except NotImplementedError:
        return "-"


def windows(title):
    """Gardlock's windows of that title on the bus."""
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or name_of(app) != "Gardlock 2001":
            continue
        for j in range(app.childCount):
            win = app.getChildAtIndex(j)
            if win is not None and name_of(win) == title:
                yield win


def main(title):
    found = 1
    for win in windows(title):
        found = 0
        for obj in walk(win):
            showing = obj.getState().contains(pyatspi.STATE_SHOWING)
            box = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            print("\t".join([obj.getRoleName(), name_of(obj), " ".join((obj.description or "").split()),
                             "showing" if showing else "hidden",
                             "%d,%d,%d,%d" % (box.x, box.y, box.width, box.height), writing(obj)]))
    return found


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
