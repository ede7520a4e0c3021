#!/usr/bin/python3
"""Presses a control of one of Gardlock's windows through the accessibility
bus (AT-SPI), as an assistive tool would: its first action (press, click).
Usage: accessible_press.py TITLE NAME, NAME as the bus shows it (mnemonic
ampersands gone). Exits 1 when no such window or control is on the bus."""

import sys

import pyatspi


def name_of(obj):
    return " ".join((obj.name or "").replace("&", "").split())


def walk(obj):
    for i in range(obj.childCount):
        child = obj.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        yield from walk(child)


def main(title, name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is None or name_of(app) != "Gardlock 2001":
            continue
        for j in range(app.childCount):
            win = app.getChildAtIndex(j)
            if win is None or name_of(win) != title:
                continue
            for obj in walk(win):
                if name_of(obj) != name:
                    continue
                try:
                    action = obj.queryAction()
                except NotImplementedError:
                    continue
                if action.nActions > 0 and action.doAction(0):
                    return 0
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
