#!/usr/bin/python3
"""Presses a control of one of Gardlock's windows through the accessibility
bus (AT-SPI), as an assistive tool would: its first action (press, click).
Usage: accessible_press.py TITLE NAME, NAME as the bus shows it (mnemonic
ampersands gone). Exits 1 when no such window or control is on the bus."""

import sys

from accessible_controls import name_of, walk, windows


def main(title, name):
    for win in windows(title):
        for obj in walk(win):
            if name_of(obj).replace("&", "") != name:
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
