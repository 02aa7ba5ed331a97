#!/usr/bin/python3
"""Reads the terminal's two text boxes as a screen reader does, through the
accessibility bus: their role, states and text, typing into each, and the
insertions the bus tells of.

Run inside a D-Bus session whose accessibility bus is up, on an X display:
    a11y_check.py path/to/varnica
(tests/a11y_check.sh sets that up.) Prints what it read; exit status 0 when
every check held.
"""

import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

BOUND_SECONDS = 30


def wait_for(what, condition):
    """Polls condition until it gives something true, within the bound."""
    deadline = time.monotonic() + BOUND_SECONDS
    while time.monotonic() < deadline:
        context = GLib.main_context_default()
        while context.pending():
            context.iteration(False)
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise SystemExit(f"FAIL: gave up waiting for {what}")


def descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def the_application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        application = desktop.getChildAtIndex(index)
        if application is not None and application.get_process_id() == pid:
            return application
    return None


def the_boxes(application):
    """The two multi-line text boxes, top one (the receive box) first."""
    boxes = [node for node in descendants(application)
             if node.getRole() == pyatspi.ROLE_TEXT
             and node.getState().contains(pyatspi.STATE_MULTI_LINE)]
    if len(boxes) != 2:
        return None
    return sorted(boxes, key=lambda box: box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).y)


def text_of(box):
    text = box.queryText()
    return text.getText(0, text.characterCount)


def run(command):
    """Runs command while answering the bus: the terminal holds each key until
    the accessibility registry, which may be asking this script, has seen it."""
    process = subprocess.Popen(command)
    wait_for(" ".join(command), lambda: process.poll() is not None)
    if process.returncode != 0:
        raise SystemExit(f"FAIL: {command[0]} exited with {process.returncode}")


def type_into(box, typed):
    extents = box.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x = extents.x + extents.width // 2
    y = extents.y + extents.height // 2
    run(["xdotool", "mousemove", str(x), str(y), "click", "1"])
    run(["xdotool", "key", "ctrl+End"])
    run(["xdotool", "type", "--delay", "20", typed])


def main():
    terminal = sys.argv[1]
    environment = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    process = subprocess.Popen([terminal], env=environment)
    inserted = []

    def on_insert(event):
        inserted.append(event.any_data)

    pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
    failures = []

    def check(what, holds):
        print(("ok   " if holds else "FAIL ") + what)
        if not holds:
            failures.append(what)

    try:
        application = wait_for("the terminal on the bus", lambda: the_application(process.pid))
        receive_box, send_box = wait_for("its two text boxes", lambda: the_boxes(application))
        for name, box in (("receive box", receive_box), ("send box", send_box)):
            states = box.getState()
            print(f"{name}: role {box.getRoleName()!r}, text {text_of(box)!r}")
            check(f"{name} is editable text, not read-only",
                  states.contains(pyatspi.STATE_EDITABLE)
                  and not states.contains(pyatspi.STATE_READ_ONLY))
            check(f"{name} offers editing", box.queryEditableText() is not None)
        check("receive box starts empty", text_of(receive_box) == "")
        greeting = text_of(send_box)
        check("send box starts with its greeting line",
              greeting.startswith(">-") and greeting.endswith("-<\r\n"))
        word = send_box.queryText().getTextAtOffset(3, pyatspi.TEXT_BOUNDARY_WORD_START)
        print(f"send box word at 3: {word}")

        type_into(send_box, "hello")
        wait_for("typing in the send box", lambda: text_of(send_box).endswith("hello"))
        check("send box reads what was typed", text_of(send_box) == greeting + "hello")
        type_into(receive_box, "abc")
        wait_for("typing in the receive box", lambda: text_of(receive_box) == "abc")
        check("receive box reads what was typed", text_of(receive_box) == "abc")
        wait_for("the insertions told", lambda: "".join(inserted).endswith("abc"))
        check("the bus told of each typed character", "".join(inserted) == "helloabc")
    finally:
        pyatspi.Registry.deregisterEventListener(on_insert, "object:text-changed:insert")
        process.terminate()
        process.wait()
    if failures:
        raise SystemExit(f"FAIL: {len(failures)} check(s)")
    print("all checks held")


if __name__ == "__main__":
    main()
