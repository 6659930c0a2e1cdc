#!/usr/bin/python3
"""Uses the installed program through the AT-SPI tree alone, as a screen reader does (but for
giving the main window the keyboard, as a window manager would), and checks every window it
meets: a frame, dialog or alert with a name, whose controls that act have a name and, while
enabled, their action, and where nothing nameless or a plain image takes the focus.
The main window is checked with its photo, and with the grid of the photo's folder, its tiles
included."""
import os
import re
import subprocess
import sys
import time

import pyatspi

ACTING = {"push button", "toggle button", "check box", "radio button", "menu item"}
NAMED = ACTING | {"text", "password text", "entry", "combo box", "list", "list box", "table",
                  "tree", "tree table", "progress bar", "scroll bar", "slider", "spin button"}
XK_ESCAPE, XK_RETURN = 0xFF1B, 0xFF0D
# Their entries are the user's data (folders, captions), not the program's controls.
NOT_ENTERED = {"combo box", "list", "list box", "table", "tree", "tree table"}


class Failed(Exception):
    pass


def has(acc, state):
    return acc.getState().contains(state)


def actions(acc):
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def shown_descendants(acc, path="", entered=()):
    """`entered` names the lists whose entries are the program's own and are walked too."""
    for child in acc:
        if child is not None and has(child, pyatspi.STATE_SHOWING):
            child_path = f"{path}/{child.getRoleName()} {child.name!r}"
            yield child, child_path
            if child.getRoleName() not in NOT_ENTERED or child.name in entered:
                yield from shown_descendants(child, child_path, entered)


def problems_of(win, entered=()):
    """The rules every window keeps, over the controls it shows now."""
    if win.getRoleName() not in {"frame", "dialog", "alert"} or not win.name:
        yield f"the window is a {win.getRoleName()} named {win.name!r}"
    for acc, path in shown_descendants(win, entered=entered):
        role, focusable = acc.getRoleName(), has(acc, pyatspi.STATE_FOCUSABLE)
        if role in NAMED and not acc.name:
            yield f"{path}: no name"
        if role in ACTING and has(acc, pyatspi.STATE_ENABLED) and \
                not {"Press", "Toggle", "Click"} & set(actions(acc)):
            yield f"{path}: no action, only {actions(acc)}"
        if focusable and (role == "image" or (role not in NAMED and not acc.name)):
            yield f"{path}: takes the focus with no name, or as an image"


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

    def window(self, role, name, shown=True):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.program.pid:
                for win in app:
                    if (win.getRoleName(), win.name) == (role, name) and \
                            has(win, pyatspi.STATE_SHOWING) == shown:
                        return win
        return None

    def shown(self, role, name):
        return self.wait_for(f"{role} {name!r}", lambda: self.window(role, name))

    def gone(self, role, name):
        self.wait_for(f"{role} {name!r} to close", lambda: not self.window(role, name))

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

    def check(self, win, entered=()):
        problems = list(problems_of(win, entered))
        if problems:
            raise Failed(f"{win.getRoleName()} {win.name!r}:\n  " + "\n  ".join(problems))
        self.checked.append(f"{win.getRoleName()} {win.name!r}")
        return win

    def enabled(self, win, button):
        self.wait_for(f"{button!r} enabled",
                      lambda: has(self.control(win, "push button", button), pyatspi.STATE_ENABLED))

    def key(self, keysym):
        pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)

    def tile(self, grid, name):
        """The list item `name` in sight, which must be the selected and current one."""
        tile = self.wait_for(f"the list item {name!r} in sight", lambda: next(
            (acc for acc, _ in shown_descendants(grid)
             if (acc.getRoleName(), acc.name) == ("list item", name)), None))
        if not (has(tile, pyatspi.STATE_SELECTED) and has(tile, pyatspi.STATE_FOCUSED)):
            raise Failed(f"the tile {name!r} is not the selected and current one")

    def grid_shown(self, main):
        return self.control(main, "list", "Photos")

    def grid_gone(self, main, after):
        self.wait_for(f"the photo again after {after}", lambda: not any(
            (acc.getRoleName(), acc.name) == ("list", "Photos")
            for acc, _ in shown_descendants(main)))

    def grid(self, main, photo, caption):
        """The grid of the photo's folder by the grid button and by Escape; back to the photo by
        Escape and by Enter on its tile."""
        # Without a window manager nothing gives the window back the keyboard once the unlock
        # window has gone: the walk does, as a click into it would.
        title = f"^{re.escape(main.name)}$"
        subprocess.run(["xdotool", "search", "--name", title, "windowfocus", "--sync"],
                       check=True, timeout=30)
        self.enabled(main, "Photo grid")
        self.press(main, "Photo grid")
        grid = self.wait_for("the list 'Photos'", lambda: self.grid_shown(main))
        # Read without a password, and not locked while the password that opened it is remembered.
        name = f"{photo}, {caption}"
        self.tile(grid, name)
        self.check(main, entered={"Photos"})
        self.checked[-1] += " with its grid"
        if not has(grid, pyatspi.STATE_FOCUSED):
            focused = [path for acc, path in shown_descendants(main)
                       if has(acc, pyatspi.STATE_FOCUSED)]
            raise Failed(f"the grid does not take the keyboard focus; it is on {focused}")
        self.key(XK_ESCAPE)
        self.grid_gone(main, "Escape")
        self.key(XK_ESCAPE)
        grid = self.wait_for("the list 'Photos' by Escape", lambda: self.grid_shown(main))
        self.tile(grid, name)
        self.key(XK_RETURN)
        self.grid_gone(main, "Enter")
        self.wait_for("the photo's owner in the information panel",
                      lambda: self.control(main, "label", "Owner : "))

    def run(self, owner, password, viewer_password, photo, caption):
        self.press(self.check(self.shown("dialog", "Enter Authentication")), "New owner")
        self.press(self.check(self.shown("dialog", "Pixa Owner")), "Cancel")
        alert = self.check(self.shown("alert", "PixaMantler"))
        self.control(alert, "label", "You require owner authentication")
        self.press(alert, "OK")

        login = self.shown("dialog", "Enter Authentication")
        self.type_into(login, "text", "Name", owner)
        self.type_into(login, "password text", "Password", password)
        self.press(login, "Log in")
        main = self.shown("frame", f"PixaMantler - Owner : {owner} logged in.")
        unlock = self.check(self.shown("dialog", "Enter viewer's authentication"))
        self.type_into(unlock, "password text", "Password", viewer_password)
        self.press(unlock, "Unlock")
        self.gone("dialog", "Enter viewer's authentication")
        self.wait_for("the photo's owner in the information panel",
                      lambda: self.control(main, "label", f"Owner : {owner}"))
        self.check(main)
        if has(self.control(main, "push button", "Actual size"), pyatspi.STATE_ENABLED):
            raise Failed("'Actual size' does not report itself disabled with the photo at it")
        self.grid(main, photo, caption)
        title = self.window("frame", "PixaMantler", shown=False)
        if title is None:
            raise Failed("the title screen is not a frame named PixaMantler")
        self.check(title)

        self.press(main, "Open photo")
        self.press(self.shown("dialog", "PixaMantler"), "Cancel")
        self.gone("dialog", "PixaMantler")
        for button, role, title in (("Help", "frame", "PixaMantler Help"),
                                    ("Search", "dialog", "Search"),
                                    ("Batch wrapping", "dialog", "Save multiple photos")):
            self.enabled(main, button)
            self.press(main, button)
            self.press(self.check(self.shown(role, title)), "Close" if button == "Help" else "Back")
            self.gone(role, title)
        self.enabled(main, "Exit")
        self.press(main, "Exit")
        self.wait_for("the program to end", lambda: self.program.poll() is not None, seconds=30)
        if self.program.returncode != 0:
            raise Failed(f"the program ended with status {self.program.returncode}")


def main(photo, caption, owner, password, viewer_password, log, folder):
    pyatspi.Registry.getDesktop(0)  # the registry is up before the program looks for it
    with open(log, "w") as out:
        program = subprocess.Popen(["pixamantler", photo], cwd=folder, stdout=out,
                                   stderr=subprocess.STDOUT)
    walk = Walk(program)
    try:
        walk.run(owner, password, viewer_password, os.path.basename(photo), caption)
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
    sys.exit(main(*sys.argv[1:]))
