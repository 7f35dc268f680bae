"""What a screen reader hears of the monitor, asked over AT-SPI.

The monitor runs against the simulated box with channel 12 at 137 and
channel 200 at 42 (see run). Each check waits for its condition, up to a
deadline, and says what it heard when the condition never came."""
import sys
import time

import pyatspi
from gi.repository import GLib

APP = "Lumivane MINI Monitor"
DEADLINE = 30.0  # seconds; the box answers within one

# The roles an operator works; each must carry a name.
CONTROLS = {
    "push button", "toggle button", "check box", "radio button", "slider",
    "spin button", "combo box", "text", "table", "table cell", "menu item",
    "scroll bar", "page tab",
}

failures = []
events = []  # (kind, name of the source) of what a reader was told


def heard(event):
    try:
        events.append((event.type, event.source.name, event.detail1))
    except Exception:  # a source already gone
        pass


def pause():
    """Lets the accessibility events in while waiting a moment."""
    context = GLib.MainContext.default()
    end = time.monotonic() + 0.1
    while time.monotonic() < end:
        if not context.iteration(False):
            time.sleep(0.01)


def wait_for(what, probe):
    """Polls probe() until it gives a true value or the deadline passes."""
    end = time.monotonic() + DEADLINE
    last = None
    while time.monotonic() < end:
        try:
            last = probe()
            if last:
                return last
        except Exception as error:  # the tree changes under us while windows open
            last = error
        pause()
    failures.append(f"{what}: never came (last heard: {last!r})")
    return None


def check(what, heard, expected):
    if heard != expected:
        failures.append(f"{what}: heard {heard!r}, expected {expected!r}")


def nodes(node):
    """Every node under node; a table's cells are walked by the table check."""
    yield node
    if node.getRoleName() == "table":
        return
    for child in node:
        if child is not None:
            yield from nodes(child)


def find(node, role, name=None, starts=None):
    for found in nodes(node):
        if found.getRoleName() != role:
            continue
        if name is not None and found.name != name:
            continue
        if starts is not None and not found.name.startswith(starts):
            continue
        return found
    return None


def nameless(window):
    return [f"{n.getRoleName()} under {n.parent.name!r}" for n in nodes(window)
            if n.getRoleName() in CONTROLS and not n.name.strip()]


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APP:
            return app
    return None


def main():
    app = wait_for("the monitor on the accessibility bus", application)
    if app is None:
        return
    main_window = wait_for("the main window", lambda: find(app, "frame", APP))
    if main_window is None:
        return
    check("nameless controls of the main window", nameless(main_window), [])

    # The read buttons say the channel they read, and follow the slider.
    slider = find(main_window, "slider", "Channel of reader 1")
    slider.queryValue().currentValue = 12
    button = wait_for("reader 1's button naming channel 12",
                      lambda: find(main_window, "push button", "Read Channel 12"))
    check("read buttons", sorted(b.name for b in nodes(main_window)
                                 if b.getRoleName() == "push button" and b.name.startswith("Read Channel")),
          ["Read Channel 1"] * 4 + ["Read Channel 12"])
    if button is not None:
        button.queryAction().doAction(0)
        level = find(main_window, "text", "Level of reader 1")
        wait_for("reader 1's level box saying 137", lambda: text_of(level) == "137")

    # Live Channels: its grid is a table of 32 rows of 16 whose cells speak.
    find(main_window, "menu item", starts="Live Channels").queryAction().doAction(0)
    live = wait_for("the Live Channels window",
                    lambda: next((w for w in app if w is not None and w.name.startswith("Live Channels")), None))
    if live is None:
        return
    check("the Live Channels window's role", live.getRoleName(), "frame")
    check("the format box named by its label", find(live, "combo box", "Show") is not None, True)
    grid = wait_for("the grid as a table", lambda: find(live, "table", "Channel levels, 32 rows of 16"))
    if grid is None:
        return
    table = grid.queryTable()
    check("grid rows and columns", (table.nRows, table.nColumns), (32, 16))
    check("grid cells", grid.childCount, 512)
    wait_for("channel 12's cell speaking its level",
             lambda: table.getAccessibleAt(0, 11).name == "Channel 12: 137")
    wait_for("channel 200's cell speaking its level",
             lambda: grid.getChildAtIndex(199).name == "Channel 200: 42")
    cell = table.getAccessibleAt(0, 11)
    check("a cell's role", cell.getRoleName(), "table cell")
    check("a cell's place", (table.getRowAtIndex(11), table.getColumnAtIndex(11)), (0, 11))
    check("nameless controls of Live Channels", nameless(live), [])
    plot = find(live, "filler", "History of the pinned channels")
    check("the plot's summary", plot.description if plot else None, "No channel pinned")

    # From the keyboard: the focus a reader follows is the cursor's cell.
    pyatspi.Registry.registerEventListener(heard, "object:state-changed:focused")
    grid.queryComponent().grabFocus()
    wait_for("the grid taking the keys", lambda: grid.getState().contains(pyatspi.STATE_FOCUSED))
    for _ in range(11):
        pyatspi.Registry.generateKeyboardEvent(0xff53, None, pyatspi.KEY_SYM)  # Right
    wait_for("the focus on channel 12's cell",
             lambda: ("object:state-changed:focused", "Channel 12: 137", 1) in events)
    # The lines under the grid are heard by what they say.
    for key in (0x39, 0x39, 0x39, 0xff0d):  # 9 9 9 Enter
        pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_SYM)
    wait_for("the note under the grid", lambda: find(
        live, "label", "There is no channel 999: the channels are 1 to 512."))
    wait_for("the line of pictures and failures", lambda: any(
        "pictures/s" in n.name for n in nodes(live) if n.getRoleName() == "label"))

    # Hold: a reader hears how the cell's channel moved since.
    find(live, "check box", "Hold").queryAction().doAction(0)
    wait_for("channel 12's cell saying how it moved since the hold",
             lambda: table.getAccessibleAt(0, 11).description
             == "Since the hold: never moved, lowest 137, highest 137, 0 changes")

    # A heartbeat channel standing still: a notification, heard as it shows.
    pyatspi.Registry.registerEventListener(heard, "object:state-changed:showing")
    find(live, "spin button", "Heartbeat still after, seconds").queryValue().currentValue = 1
    find(live, "spin button", "Heartbeat channel").queryValue().currentValue = 12
    said = "Channel 12 has not moved for 1 s"
    wait_for("the heartbeat banner heard as it shows",
             lambda: ("object:state-changed:showing", said, 1) in events)
    banner = find(live, "notification", said)
    check("the heartbeat banner's role", banner.getRoleName() if banner else None, "notification")


main()
if failures:
    print("\n".join(failures))
    sys.exit(1)
print("every control named; the grid is a 32 by 16 table whose cells speak; the heartbeat banner is heard")
