#!/usr/bin/python3
"""Prints what a screen reader sees of one window of a running program, through AT-SPI.

    screen_reader_view.py PID TITLE [SECONDS]

Waits (up to SECONDS, default 20) until the program with that process id has registered with
the accessibility bus and shows a window whose accessible name is TITLE, then prints one JSON
object: {"nodes": [...]}, the window and every showing object below it in reading order, each
as {"depth", "role", "name", "description", "states", "labelledBy"}. Tables, trees and lists
are listed without their cells; menus without their closed popups. Exit status 1 when the
window did not appear in time.
"""
import json
import sys
import time

import pyatspi

SHOWN_STATES = {
    pyatspi.STATE_FOCUSABLE: "focusable",
    pyatspi.STATE_FOCUSED: "focused",
    pyatspi.STATE_SENSITIVE: "sensitive",
    pyatspi.STATE_CHECKED: "checked",
    pyatspi.STATE_EDITABLE: "editable",
    pyatspi.STATE_IS_DEFAULT: "default",
}
# Their rows and cells are read as the user moves through them; the container carries the name.
CONTAINERS_OF_ROWS = {"table", "tree table", "tree", "list", "list box"}


def window_of(pid, title):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is None or app.get_process_id() != pid:
                continue
            for window in app:
                if window is not None and window.name == title and window.getState().contains(pyatspi.STATE_SHOWING):
                    return window
        except Exception:  # an application that left the bus while we looked
            continue
    return None


def labels_of(node):
    names = []
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                target = relation.getTarget(i)
                if target is not None:
                    names.append(target.name)
    return names


def walk(node, depth, out):
    states = node.getState()
    role = node.getRoleName()
    out.append({
        "depth": depth,
        "role": role,
        "name": node.name,
        "description": node.description,
        "states": [word for state, word in SHOWN_STATES.items() if states.contains(state)],
        "labelledBy": labels_of(node),
    })
    if role in CONTAINERS_OF_ROWS:
        return
    for child in node:
        if child is not None and child.getState().contains(pyatspi.STATE_SHOWING):
            walk(child, depth + 1, out)


def main():
    pid = int(sys.argv[1])
    title = sys.argv[2]
    seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 20.0
    deadline = time.monotonic() + seconds
    window = window_of(pid, title)
    # The program registers with the bus and maps its window on its own time: look again until then.
    while window is None and time.monotonic() < deadline:
        time.sleep(0.05)
        window = window_of(pid, title)
    if window is None:
        print(f"no showing window named {title!r} of process {pid}", file=sys.stderr)
        return 1
    nodes = []
    walk(window, 0, nodes)
    json.dump({"nodes": nodes}, sys.stdout, ensure_ascii=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
