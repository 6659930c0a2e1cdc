#!/usr/bin/python3
"""Uses the installed program the way a screen reader does, through the AT-SPI tree only: starts
it with a wrapped photo to open, walks the login, registration, message box, viewer unlock, main,
help, search and batch windows and the title, types into boxes and presses buttons through their
accessible actions. Every window must be a frame, dialog or alert with a name; every control that
acts must have a name, and its action while enabled; nothing that takes the focus may be nameless or a plain
image. Run inside a session bus of its own (dbus-run-session); every wait polls with a deadline.
"""
import argparse
import subprocess
import sys
import time

import pyatspi

ACTING = {"push button", "toggle button", "check box", "radio button", "menu item"}
NAMED = ACTING | {"text", "password text", "entry", "combo box", "list", "list box", "table",
                  "tree", "tree table", "progress bar", "scroll bar", "slider", "spin button"}
# Their entries are the user's data (folders, captions), not controls of the program.
NOT_ENTERED = {"combo box", "list", "list box", "table", "tree", "tree table"}
WINDOWS = {"frame", "dialog", "alert"}


class Failed(Exception):
    pass


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def enabled(acc):
    return acc.getState().contains(pyatspi.STATE_ENABLED)


def actions(acc):
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def shown_descendants(acc, path=""):
    for child in acc:
        if child is None or not showing(child):
            continue
        child_path = f"{path}/{child.getRoleName()} {child.name!r}"
        yield child, child_path
        if child.getRoleName() not in NOT_ENTERED:
            yield from shown_descendants(child, child_path)


class Walk:
    def __init__(self, program):
        self.program = program
        self.checked = []

    def wait_for(self, what, probe, seconds=60):
        deadline = time.monotonic() + seconds
        while True:
            try:
                found = probe()
            except Exception:  # the tree changed under the probe: look again
                found = None
            if found:
                return found
            if self.program.poll() is not None:
                raise Failed(f"the program ended while waiting for {what}")
            if time.monotonic() > deadline:
                raise Failed(f"no {what} after {seconds}s")
            time.sleep(0.1)

    def app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.program.pid:
                return app
        return None

    def window(self, role, name, shown=True):
        app = self.app()
        for win in app or []:
            if win.getRoleName() == role and win.name == name and showing(win) == shown:
                return win
        return None

    def shown(self, what, role, name):
        return self.wait_for(f"{what} ({role} {name!r})", lambda: self.window(role, name))

    def gone(self, what, role, name):
        self.wait_for(f"{what} to close", lambda: not self.window(role, name))

    def control(self, win, role, name):
        for acc, _ in shown_descendants(win):
            if acc.getRoleName() == role and acc.name.startswith(name):
                return acc
        raise Failed(f"no {role} {name!r} in the {win.getRoleName()} {win.name!r}")

    def press(self, win, name):
        button = self.control(win, "push button", name)
        if "Press" not in actions(button):
            raise Failed(f"the button {name!r} cannot be pressed")
        button.queryAction().doAction(actions(button).index("Press"))

    def type_into(self, win, role, name, text):
        self.control(win, role, name).queryEditableText().setTextContents(text)

    def check(self, win):
        """The rules every window keeps, over the controls it shows now."""
        problems = []
        if win.getRoleName() not in WINDOWS or not win.name:
            problems.append(f"the window is a {win.getRoleName()} named {win.name!r}")
        for acc, path in shown_descendants(win):
            role = acc.getRoleName()
            focusable = acc.getState().contains(pyatspi.STATE_FOCUSABLE)
            if role in NAMED and not acc.name:
                problems.append(f"{path}: no name")
            if role in ACTING and enabled(acc) and not {"Press", "Toggle", "Click"} & set(actions(acc)):
                problems.append(f"{path}: no action, only {actions(acc)}")
            if focusable and role not in NAMED and not acc.name:
                problems.append(f"{path}: takes the focus with no name")
            if focusable and role == "image":
                problems.append(f"{path}: an image that takes the focus")
        if problems:
            raise Failed(f"{win.getRoleName()} {win.name!r}:\n  " + "\n  ".join(problems))
        self.checked.append(f"{win.getRoleName()} {win.name!r}")

    def run(self, owner, password, viewer_password):
        login = self.shown("login window", "dialog", "Enter Authentication")
        self.check(login)
        self.press(login, "New owner")
        registration = self.shown("registration window", "dialog", "Pixa Owner")
        self.check(registration)
        self.press(registration, "Cancel")
        alert = self.shown("message box", "alert", "PixaMantler")
        self.check(alert)
        self.control(alert, "label", "You require owner authentication")
        self.press(alert, "OK")

        login = self.shown("login window again", "dialog", "Enter Authentication")
        self.type_into(login, "text", "Name", owner)
        self.type_into(login, "password text", "Password", password)
        self.press(login, "Log in")
        main = self.shown("main window", "frame", f"PixaMantler - Owner : {owner} logged in.")
        unlock = self.shown("viewer unlock window", "dialog", "Enter viewer's authentication")
        self.check(unlock)
        self.type_into(unlock, "password text", "Password", viewer_password)
        self.press(unlock, "Unlock")
        self.gone("viewer unlock window", "dialog", "Enter viewer's authentication")
        self.wait_for("photo's owner in the information panel",
                      lambda: self.control(main, "label", f"Owner : {owner}"))
        self.check(main)
        if enabled(self.control(main, "push button", "Actual size")):
            raise Failed("'Actual size' does not report itself disabled with the photo at it")
        title = self.window("frame", "PixaMantler", shown=False)
        if title is None:
            raise Failed("the title screen is not a frame named PixaMantler")
        self.check(title)

        self.press(main, "Help")
        self.check(self.shown("help window", "frame", "PixaMantler Help"))
        self.press(self.window("frame", "PixaMantler Help"), "Close")
        self.gone("help window", "frame", "PixaMantler Help")
        self.press(main, "Open photo")
        dialog = self.shown("open dialog", "dialog", "PixaMantler")
        self.press(dialog, "Cancel")
        self.gone("open dialog", "dialog", "PixaMantler")
        for button, title in (("Search", "Search"), ("Batch wrapping", "Save multiple photos")):
            self.wait_for("main window enabled", lambda: enabled(self.control(main, "push button", button)))
            self.press(main, button)
            self.check(self.shown(f"{button} window", "dialog", title))
            self.press(self.window("dialog", title), "Back")
            self.gone(f"{button} window", "dialog", title)

        self.wait_for("main window enabled", lambda: enabled(self.control(main, "push button", "Exit")))
        self.press(main, "Exit")
        self.wait_for("program to end", lambda: self.program.poll() is not None, seconds=30)
        if self.program.returncode != 0:
            raise Failed(f"the program ended with status {self.program.returncode}")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--photo", "--owner", "--password", "--viewer-password", "--log", "--folder"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    # The accessibility bus and its registry are up before the program looks for them.
    pyatspi.Registry.getDesktop(0)
    with open(args.log, "w") as log:
        program = subprocess.Popen(["pixamantler", args.photo], cwd=args.folder, stdout=log,
                                   stderr=subprocess.STDOUT)
    walk = Walk(program)
    try:
        walk.run(args.owner, args.password, args.viewer_password)
    except Failed as failure:
        print(f"a11y: {failure}")
        return 1
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()
    print("a11y: checked " + ", ".join(walk.checked))
    return 0


if __name__ == "__main__":
    sys.exit(main())
