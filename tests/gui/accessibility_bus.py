#!/usr/bin/python3
"""The staged program as a screen reader meets it: started on an Xvfb of its
own with the accessibility bus (at-spi2-core) on the private session bus this
test runs in (dbus-run-session), it is read through AT-SPI. Every control a
user can act on in each window has a name and a role; "Today" pressed
through the action interface opens the day news; the keys Down three times
and Enter open the fourth entry's details, and Escape closes them.

Usage: dbus-run-session -- accessibility_bus.py STAGE   (the staged installation)
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

# Roles of controls a user acts on, and of those that only show.
ACTIONABLE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TREE_ITEM,
    pyatspi.ROLE_LINK, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_LIST,
    pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE,
}
failures = []


def fail(text):
    failures.append(text)
    print("FAIL: " + text, flush=True)


def wait_for(what, probe, seconds=20.0):
    """Polls probe until it gives a true value, at most `seconds`."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            found = probe()
        except Exception:  # the tree changes under the walk: look again
            found = None
        if found:
            return found
        time.sleep(0.2)
    raise RuntimeError("gave up waiting for " + what)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "VeltoDownload":
            return app
    return None


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def frames(app):
    return [child for child in app if child is not None and showing(child)]


def frame_named(app, prefix):
    for frame in frames(app):
        if frame.name.startswith(prefix):
            return frame
    return None


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def has_press(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return False
    return any(action.getName(i) == "Press" or action.getName(i) == "press" for i in range(action.nActions))


def press(node):
    action = node.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() == "press":
            action.doAction(i)
            return
    raise RuntimeError("no press action on " + node.name)


def check_window(frame):
    """Every shown control that can be acted on has a name and a role."""
    if not frame.name:
        fail("a window without a name on the bus")
    checked = 0
    for node in walk(frame):
        if node is frame or not showing(node):
            continue
        role = node.getRole()
        if role not in ACTIONABLE and not has_press(node):
            continue
        checked += 1
        where = "%s / %s" % (frame.name, node.getRoleName())
        if role in (pyatspi.ROLE_UNKNOWN, pyatspi.ROLE_INVALID, pyatspi.ROLE_FILLER, pyatspi.ROLE_PANEL):
            fail(where + ": no role")
        # A list or tree is named by what it holds; its items by their text.
        if not node.name.strip():
            fail(where + ": no name")
    return checked


def control(frame, role, name):
    for node in walk(frame):
        if node.getRole() == role and node.name == name:
            return node
    return None


def key(display, *keys):
    subprocess.run(["xdotool", "key", "--delay", "80", *keys], check=True,
                   env=dict(os.environ, DISPLAY=display))
    time.sleep(0.4)


def main(stage):
    scratch = tempfile.mkdtemp(prefix="veltod-atspi-")
    children = []
    try:
        tree = os.path.join(scratch, "VeltoD")
        shutil.copytree(stage, tree, symlinks=True)
        read, write = os.pipe()
        children.append(subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24",
                                          "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL))
        os.close(write)
        with os.fdopen(read) as numbers:
            display = ":" + numbers.readline().strip()
        env = dict(os.environ, DISPLAY=display, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        env.pop("QT_QPA_PLATFORM", None)
        children.append(subprocess.Popen([os.path.join(tree, "bin", "VeltoD.exe")], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        app = wait_for("the program on the accessibility bus", application)
        main_window = wait_for("the main window", lambda: frame_named(app, "VeltoD"))
        checked = check_window(main_window)

        # The windows the navigation opens, each read in turn.
        today = control(main_window, pyatspi.ROLE_PUSH_BUTTON, "Today")
        if today is None:
            raise RuntimeError("no button named Today")
        for name, window in (("Week news", "Week News"), ("Historic database", "Historic Data Base"),
                             ("Search", "Search"), ("Connection settings", "Update and connection settings")):
            press(control(main_window, pyatspi.ROLE_PUSH_BUTTON, name))
            checked += check_window(wait_for(window, lambda: frame_named(app, window)))

        # Today through the action interface: the day news shows.
        press(today)
        news = wait_for("the day news", lambda: frame_named(app, "News of") or frame_named(app, "Day news"))
        checked += check_window(news)
        fourth = wait_for("row 4", lambda: next((n for n in walk(news) if n.name.startswith("Row 4: ")), None))
        entry = fourth.name[len("Row 4: "):]

        # The keyboard from there: three rows down, Enter, Escape.
        key(display, "Down", "Down", "Down", "Return")
        details = wait_for("the details of the fourth entry", lambda: frame_named(app, "Entry details: " + entry))
        checked += check_window(details)
        key(display, "Escape")
        wait_for("the details window to close", lambda: frame_named(app, "Entry details") is None, 10)

        if checked < 40:
            fail("only %d controls were read" % checked)
        print("read %d controls in the program's windows" % checked, flush=True)
    finally:
        for child in reversed(children):
            child.terminate()
            try:
                child.wait(10)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        shutil.rmtree(scratch, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1]))
    except RuntimeError as error:
        print("FAIL: %s" % error, flush=True)
        sys.exit(1)
