#!/usr/bin/python3
"""With a tray host and a provisioned database the icon embeds in the tray,
carries its tool tip and its menu, and "Выход" ends the program with status
0 and takes the icon out of the tray."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Failure, main  # noqa: E402

# The letter after the slash in the two toggles is a Latin "c", not a Cyrillic one.
MENU = [
    ("menu item", "&Настройки программы"),
    ("menu item", "Показать/cкрыть чат"),
    ("menu item", "Показать/cкрыть календарь"),
    ("menu item", "Помощь"),
    ("separator", ""),
    ("menu item", "Выход"),
]
TOOL_TIP = "OrvoWidgets 0.1"
BALLOON_TITLE = "Добро пожаловать!"
BALLOON_TEXT = "Двойной клик - показать/скрыть виджет."


def same_entry(expected, seen):
    role, name = expected
    # The accessibility bus may report the mnemonic marker or drop it.
    return seen[0] == role and (seen[1] == name or seen[1] == name.replace("&", "", 1))


def watch_start(s):
    """Waits for the icon to embed, meanwhile looking for the welcome
    balloon, which lives for about a second."""
    started = time.monotonic()
    balloon = None
    icon = None
    while True:
        s.require_running()
        tree = s.windows()
        s.require_no_error_box(tree)
        if tree is not None and balloon is None:
            for top in tree.children:
                labels = [n.name for n in top.find_all(role="label")]
                if BALLOON_TITLE in labels:
                    balloon = labels
        icons = s.tray_icons()
        if len(icons) > 1:
            raise Failure(f"{len(icons)} icons embedded in the tray, expected one: {icons}")
        if icons:
            icon = icons[0]
        elapsed = time.monotonic() - started
        if icon and (balloon or elapsed > 4):
            return icon, balloon
        if elapsed > 20:
            raise Failure("no icon embedded in trayer within 20 s")
        time.sleep(0.1)


def check_balloon(s, balloon):
    if balloon is None:
        s.note("no welcome balloon observed (Qt showed none before the icon was embedded)")
        return
    if BALLOON_TEXT not in balloon:
        raise Failure(f"the welcome balloon shows {balloon}, expected the text {BALLOON_TEXT!r}")
    s.note(f"welcome balloon seen: {balloon}")


def check_tool_tip(s, icon):
    x, y = icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2
    s.wait_point_clear(x, y)
    s.hover(x, y)
    deadline = time.monotonic() + 6
    while time.monotonic() < deadline:
        tree = s.windows()
        tips = tree.find_all(role="tool tip") if tree is not None else []
        tips = [t for t in tips if "showing" in t.states]
        if tips:
            names = [t.name for t in tips]
            if names != [TOOL_TIP]:
                raise Failure(f"the tray icon's tool tip reads {names}, expected {TOOL_TIP!r}")
            s.note(f"tool tip: {names[0]!r}")
            return
        time.sleep(0.3)
    s.note("no tool tip appeared while hovering the tray icon")


def test(s):
    s.launch()
    icon, balloon = watch_start(s)
    print(f"tray icon: window {icon['id']} at {icon['x']},{icon['y']} {icon['width']}x{icon['height']}")
    s.require_no_error_box()
    check_balloon(s, balloon)
    check_tool_tip(s, icon)

    x, y = icon["x"] + icon["width"] // 2, icon["y"] + icon["height"] // 2
    menu = s.capture_popup_menu(lambda: s.click(x, y, button=3))
    s.screenshot("menu_open")
    entries = [(c.role, c.name) for c in menu.children]
    print("menu:", entries)
    if len(entries) != len(MENU) or not all(same_entry(e, g) for e, g in zip(MENU, entries)):
        raise Failure(f"the tray menu holds {entries}, expected {MENU}")
    hidden = [c.name for c in menu.children if c.role == "menu item" and "showing" not in c.states]
    if hidden:
        raise Failure(f"menu entries not on screen: {hidden}")

    s.click(*menu.children[-1].center())
    code = s.wait_exit(timeout=5)
    if code != 0:
        raise Failure(f"\"Выход\" ended the program with status {code}, expected 0")
    s.wait_for(lambda: not s.tray_icons(), timeout=5, what="the icon to leave the tray")


if __name__ == "__main__":
    main("e2e_tray_menu", test, tray_host=True, provisioned=True, description=__doc__)
