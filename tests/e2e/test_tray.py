#!/usr/bin/python3
"""The real executable on an X server with trayer: the "Error" box, the tray menu, help and "Выход", one
program per desktop; with --package DEB, the package installed, run and removed. Run as CMakeLists.txt does."""

import os
import subprocess
import sys
import time

import pyatspi
import e2e
from e2e import MENU, application, click, close_window, database, ended, fail, find, launch, make_database, \
    paints, popup_menu, session, start_trayer, tray_icons, wait_for, x

program, provision, e2e.output = sys.argv[1:4]
package = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == "--package" else None
if package and os.geteuid() != 0:
    print("SKIP: installing a package takes root")
    sys.exit(77)
e2e.env["QT_QPA_PLATFORM"] = "xcb"


def open_failure():
    app = launch(program)
    acc = wait_for("the program on the accessibility bus", lambda: application(app.pid))
    box = wait_for("the \"Error\" box", lambda: [w for w in find(acc, "alert") + find(acc, "dialog")
                                                 if w.name == "Error"])[0]
    directory = os.path.join(e2e.env["XDG_DATA_HOME"], "OrvoWidgets") + "/"
    texts = [label.name for label in find(box, "label")]
    if not any(t.startswith(directory + " ") and " - " in t and t.endswith(" orvo.db") for t in texts):
        fail(f"the box shows {texts}, expected the text to start with {directory!r} and a blank")
    if tray_icons() or any("showing" in str(w.getState().getStates()) and w.name == "Digital Clock"
                           for w in find(acc, "frame") + find(acc, "window")):
        fail("start-up went on behind the box")
    buttons = find(box, "push button")
    if [b.name for b in buttons] != ["OK"]:
        fail(f"the box has the buttons {[b.name for b in buttons]}")
    click(buttons[0])
    ended(app, "OK in the \"Error\" box")


def tray_menu_and_exit():
    make_database(provision)
    x("setxkbmap", "-layout", "us")
    app = launch(program)
    acc = wait_for("the program on the accessibility bus", lambda: application(app.pid))
    for layout, country in (("us", "USA"), ("ru", "RUS")):  # the clock's indicator follows the X layout
        x("setxkbmap", "-layout", layout)
        wait_for(country + " on the clock", lambda: any(b.name == country for b in find(acc, "push button")), 5)
    icon = wait_for("one icon docked in the tray", tray_icons)
    if len(icon) != 1:
        fail(f"{len(icon)} icons docked in the tray")
    time.sleep(1.5)  # the welcome balloon, shown over the icon for a second

    def menu():
        return popup_menu(lambda: x("xdotool", "mousemove", "--window", icon[0], "0", "0", "click", "3"))
    entries = menu()
    names = [n.replace("&", "") if role == "menu item" else "" for role, n, _ in entries]  # the bus may drop "&"
    if names != MENU:
        fail(f"the tray menu holds {names}, expected {MENU}")

    def heading(window):  # the first heading of the web view's document
        document = window.getChildAtIndex(0) if window.childCount else None
        first = document.getChildAtIndex(0) if document and document.childCount else None
        return first.name if first and first.getRoleName() == "heading" else None

    def help_windows():
        viewers = [p for p, n in session(app.pid).items() if n == "orvo-help"]
        acc = application(viewers[0]) if len(viewers) == 1 else None
        return [w for w in map(acc.getChildAtIndex, range(acc.childCount)) if heading(w) == "Справка OrvoWidgets"] \
            if acc else []
    if paints("3a6ea5"):
        fail("the help page's heading colour on the screen before help opened")
    # Reopened only once the window is there: a window mapped meanwhile would close the menu.
    for count in (1, 2):
        click((entries if count == 1 else menu())[MENU.index("Помощь")][2])
        wait_for(f"{count} help window(s) with the page's heading", lambda: len(help_windows()) == count)
    wait_for("the web engine to paint the page's heading colour", lambda: paints("3a6ea5"))
    with open(f"/proc/{app.pid}/maps") as maps:
        if any("/libQt5WebEngine" in line or "/libQt5Help" in line for line in maps):
            fail("the program itself loaded the web engine or the help engine")
    if len(session(app.pid)) < 3:
        fail(f"no web engine processes beside the program and its viewer: {session(app.pid)}")
    viewer = next(p for p, n in session(app.pid).items() if n == "orvo-help")
    for window in x("xdotool", "search", "--onlyvisible", "--pid", str(viewer)).split():
        close_window(int(window))
    wait_for("closing both help windows to end the viewer and the web engine",
             lambda: list(session(app.pid)) == [app.pid], timeout=10)
    click(menu()[MENU.index("Помощь")][2])
    wait_for("a help window from a new viewer", lambda: len(help_windows()) == 1)
    click(menu()[-1][2])
    # The program gives its viewer up to 5 s to end: a loaded machine may need them.
    ended(app, "\"Выход\" with a help window open", within=15)
    wait_for("the help viewer's processes to end", lambda: not session(app.pid), timeout=10)
    wait_for("the icon to leave the tray", lambda: not tray_icons(), timeout=5)


def one_program_per_desktop():
    first = launch(program)
    wait_for("the first program's icon", lambda: len(tray_icons()) == 1)
    ended(launch(program), "a second start", within=5)
    time.sleep(1)
    if len(tray_icons()) != 1:
        fail(f"{len(tray_icons())} icons in the tray after a second start")
    first.kill()  # SIGKILL: its lock and socket stay behind
    first.wait()
    wait_for("the killed program's icon to go", lambda: not tray_icons())
    launch(program)  # ended with the rest at exit
    wait_for("a new start after a kill to dock its icon", lambda: len(tray_icons()) == 1)


def installed_package():
    def run(*argv):
        done = subprocess.run(argv, capture_output=True, text=True)
        if done.returncode != 0:
            fail(f"{' '.join(argv)}: {done.stdout}{done.stderr}")
    run("dpkg", "-i", package)
    try:
        for path in ["/usr/libexec/orvowidgets/orvo-help", "/usr/libexec/orvowidgets/help/my_help.qhc",
                     "/usr/share/icons/hicolor/48x48/apps/orvowidgets.png"]:
            if not os.path.isfile(path):
                fail(f"the package did not install {path}")
        run("desktop-file-validate", "/usr/share/applications/org.orvowidgets.OrvoWidgets.desktop",
            "/etc/xdg/autostart/orvowidgets.desktop")
        run("lintian", "--fail-on", "error", package)
        run("appstreamcli", "validate", "--no-net", "/usr/share/metainfo/org.orvowidgets.OrvoWidgets.metainfo.xml")
        app = launch("/usr/bin/orvowidgets")  # as the menu and the autostart entry start it
        wait_for("the installed program's icon", lambda: len(tray_icons()) == 1)
        if not os.path.isfile(database):
            fail("the launch command did not prepare " + database)
        app.terminate()
        app.wait()
    finally:
        run("dpkg", "-r", "orvowidgets")
    if not os.path.isfile(database) or os.path.exists("/usr/libexec/orvowidgets/OrvoWidgets"):
        fail("removing the package did not leave the user's database alone, or left the program")


os.makedirs(e2e.output, exist_ok=True)
start_trayer()  # first: with trayer started after the accessibility bus, the program was not found on it
pyatspi.Registry.getDesktop(0)  # starts the accessibility bus before any program asks for it
if package:
    installed_package()
else:
    open_failure()
    tray_menu_and_exit()
    one_program_per_desktop()
print("PASS")
