#!/usr/bin/python3
"""The real executable on a real X server with a tray host: what no
in-process test can show.

1. Without its data directory the program shows the "Error" box naming the
   directory and the file, docks no icon, and ends with status 0 on OK.
2. With a database the icon docks in the tray, a right click opens the menu
   with its five entries, each "Помощь" opens one more window with the help
   page from the collection next to the executable, shown by the help viewer
   in a process of its own (the program maps no web engine), and "Выход"
   ends the program, with the help windows still open, with status 0, ends
   the viewer's processes and takes the icon out of the tray.
3. One program per desktop: a second start ends with 0 within a second and
   leaves one icon; after the first is killed, a new start runs.

With --package DEB it checks the Debian package instead: installed, the
launch command of the menu prepares the database and docks the icon, the
software centres' description validates, and removing the package leaves
the user's database in place.

Run on a private display and session bus (see CMakeLists.txt: xvfb-run and
dbus-run-session); the accessibility bus is activated on that session bus.
"""

import os
import re
import sqlite3
import subprocess
import sys
import tempfile
import time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

MENU = ["&Настройки программы", "Показать/cкрыть чат", "Показать/cкрыть календарь", "Помощь", "", "Выход"]
program, provision, output = sys.argv[1:4]
package = sys.argv[5] if len(sys.argv) > 5 and sys.argv[4] == "--package" else None
if package and os.geteuid() != 0:
    print("SKIP: installing a package takes root")
    sys.exit(77)
work = tempfile.mkdtemp(prefix="orvo-e2e-")
runtime = os.path.join(work, "runtime")
os.makedirs(runtime, mode=0o700)
env = dict(os.environ, HOME=work, XDG_DATA_HOME=os.path.join(work, "data"), XDG_RUNTIME_DIR=runtime,
           QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
if os.geteuid() == 0:
    env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"  # the web engine's sandbox refuses root
env["QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"] = "1"  # the help page's headings, read over the bus
database = os.path.join(env["XDG_DATA_HOME"], "OrvoWidgets", "orvo.db")
Atspi.set_timeout(5000, 10000)  # a program stuck in a nested loop must not hang us


def fail(why):
    subprocess.run(["import", "-window", "root", os.path.join(output, "e2e_tray_failure.png")])
    sys.exit("FAIL: " + why)


def wait_for(what, probe, timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def x(*argv):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=10).stdout


def tray_icons():
    """Mapped client windows docked in trayer's panel (panel > socket > icon)."""
    panels = [w for w in x("xdotool", "search", "--classname", "^panel$").split()
              if '"trayer"' in x("xprop", "-id", w, "WM_CLASS")]
    icons = []
    for panel in panels:
        for socket in re.findall(r"^\s+(0x[0-9a-f]+) ", x("xwininfo", "-id", panel, "-children"), re.M):
            for client in re.findall(r"^\s+(0x[0-9a-f]+) ", x("xwininfo", "-id", socket, "-children"), re.M):
                info = x("xwininfo", "-id", client)
                if "IsViewable" in info:
                    def field(name):
                        return int(re.search(name + r":\s+(-?\d+)", info).group(1))
                    icons.append((field("Absolute upper-left X") + field("Width") // 2,
                                  field("Absolute upper-left Y") + field("Height") // 2))
    return icons


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        child = desktop.getChildAtIndex(i)
        if child is not None and child.get_process_id() == pid:
            return child
    return None


def find(acc, role):
    found = [acc] if acc.getRoleName() == role else []
    for i in range(acc.childCount):
        found += find(acc.getChildAtIndex(i), role)
    return found


def top_level(app):
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def click(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x("xdotool", "mousemove", str(e.x + e.width // 2), str(e.y + e.height // 2), "click", "1")


def launch(command=None):
    return subprocess.Popen([command or program], env=env, cwd=work, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE)


def ended(app, what, within=5):
    try:
        code = app.wait(timeout=within)
    except subprocess.TimeoutExpired:
        app.kill()
        fail(what + " did not end the program")
    if code != 0:
        fail(f"{what} ended the program with status {code}: {app.stderr.read().decode()}")


def open_failure():
    app = launch()
    acc = wait_for("the program on the accessibility bus", lambda: application(app.pid))
    box = wait_for("the \"Error\" box", lambda: [w for w in find(acc, "alert") + find(acc, "dialog")
                                                 if w.name == "Error"])[0]
    directory = os.path.join(env["XDG_DATA_HOME"], "OrvoWidgets") + "/"
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


def popup_menu(open_menu):
    """Popup menus are not among the program's windows: the menu is reached
    through the focus event of its first item, which Down gives the focus."""
    found = []

    def on_focus(event):
        source = event.source
        if not found and source.getRoleName() == "menu item" and source.parent.getRoleName() == "popup menu":
            found.append([(c.getRoleName(), c.name, c) for c in (source.parent.getChildAtIndex(i)
                                                                 for i in range(source.parent.childCount))])
    pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
    try:
        for _ in range(3):
            open_menu()
            deadline = time.monotonic() + 5
            while not found and time.monotonic() < deadline:
                x("xdotool", "key", "Down")
                for _ in range(20):
                    GLib.MainContext.default().iteration(False)
                    time.sleep(0.05)
            if found:
                return found[0]
            x("xdotool", "key", "Escape")
    finally:
        pyatspi.Registry.deregisterEventListener(on_focus, "object:state-changed:focused")
    fail("no popup menu took the focus after a right click on the tray icon")


HELP_TITLE = "Справка OrvoWidgets"


def process_tree(pid):
    tree = [pid]
    for p in tree:
        try:
            with open(f"/proc/{p}/task/{p}/children") as f:
                tree += [int(c) for c in f.read().split()]
        except OSError:
            pass
    return tree


def comm(pid):
    """The process's name; None when it is gone or a zombie."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            stat = f.read()
        return None if stat[stat.rindex(")") + 2] == "Z" else stat[stat.index("(") + 1:stat.rindex(")")]
    except OSError:
        return None


def mapped_files(pid):
    with open(f"/proc/{pid}/maps") as f:
        return {line.split()[-1] for line in f if len(line.split()) > 5}


def tray_menu_and_exit():
    subprocess.run([provision], env=env, check=True, stdout=subprocess.DEVNULL)
    with sqlite3.connect(database) as db:  # any free port: never another program's chat port
        db.execute("UPDATE settings SET OrvoChatPort = 0")
    app = launch()
    wait_for("the program on the accessibility bus", lambda: application(app.pid))
    icon = wait_for("one icon docked in the tray", lambda: tray_icons())
    if len(icon) != 1:
        fail(f"{len(icon)} icons docked in the tray")
    time.sleep(1.5)  # the welcome balloon, shown over the icon for a second
    ix, iy = icon[0]
    entries = popup_menu(lambda: x("xdotool", "mousemove", str(ix), str(iy), "click", "3"))
    subprocess.run(["import", "-window", "root", os.path.join(output, "e2e_tray_menu.png")])
    names = [name if role == "menu item" else "" for role, name, _ in entries]
    # The accessibility bus may drop the mnemonic marker.
    if [n.replace("&", "") for n in names] != [n.replace("&", "") for n in MENU]:
        fail(f"the tray menu holds {names}, expected {MENU}")
    # Two "Помощь": two windows with the page, shown by the viewer's process.
    # The menu is opened again only once the window is there: a window
    # mapped meanwhile takes the focus and closes the menu.
    def heading(window):  # the first heading of the web view's document
        document = window.getChildAtIndex(0) if window.childCount else None
        first = document.getChildAtIndex(0) if document and document.childCount else None
        return first.name if first and first.getRoleName() == "heading" else None

    def help_windows():
        viewers = [p for p in process_tree(app.pid)[1:] if comm(p) == "orvo-help"]
        acc = application(viewers[0]) if len(viewers) == 1 else None
        return [w for w in top_level(acc) if heading(w) == HELP_TITLE] if acc else []
    for count in (1, 2):
        click(entries[MENU.index("Помощь")][2])
        wait_for(f"{count} help window(s) with the page's heading", lambda: len(help_windows()) == count)
        entries = popup_menu(lambda: x("xdotool", "mousemove", str(ix), str(iy), "click", "3"))
    if any(os.path.basename(m).startswith(("libQt5WebEngine", "libQt5Help")) for m in mapped_files(app.pid)):
        fail("the program itself loaded the web engine or the help engine")
    viewer = process_tree(app.pid)[1:]
    click(entries[-1][2])
    ended(app, "\"Выход\" with two help windows open")
    wait_for("the help viewer's processes to end", lambda: not [p for p in viewer if comm(p)], timeout=5)
    wait_for("the icon to leave the tray", lambda: not tray_icons(), timeout=5)


def one_program_per_desktop():
    first = launch()
    wait_for("the first program's icon", lambda: len(tray_icons()) == 1)
    ended(launch(), "a second start", within=1)
    time.sleep(1)
    if len(tray_icons()) != 1:
        fail(f"{len(tray_icons())} icons in the tray after a second start")
    first.kill()  # SIGKILL: its lock and socket stay behind
    first.wait()
    wait_for("the killed program's icon to go", lambda: not tray_icons())
    third = launch()
    wait_for("a new start after a kill to dock its icon", lambda: len(tray_icons()) == 1)
    third.terminate()
    third.wait()


def installed_package():
    def dpkg(*args):
        done = subprocess.run(["dpkg", *args], capture_output=True, text=True)
        if done.returncode != 0:
            fail(f"dpkg {' '.join(args)}: {done.stderr}")
    dpkg("-i", package)
    try:
        # The program and its provisioning tool show themselves by running below.
        for path in ["/usr/libexec/orvowidgets/orvo-help", "/usr/libexec/orvowidgets/help/my_help.qhc",
                     "/usr/share/icons/hicolor/48x48/apps/orvowidgets.png"]:
            if not os.path.isfile(path):
                fail(f"the package did not install {path}")
        for checker in (["desktop-file-validate", "/usr/share/applications/org.orvowidgets.OrvoWidgets.desktop",
                         "/etc/xdg/autostart/orvowidgets.desktop"], ["lintian", "--fail-on", "error", package],
                        ["appstreamcli", "validate", "--no-net",
                         "/usr/share/metainfo/org.orvowidgets.OrvoWidgets.metainfo.xml"]):
            done = subprocess.run(checker, capture_output=True, text=True)
            if done.returncode != 0:
                fail(f"{checker[0]}: {done.stdout}{done.stderr}")
        app = launch("/usr/bin/orvowidgets")  # as the menu and the autostart entry start it
        wait_for("the installed program's icon", lambda: len(tray_icons()) == 1)
        if not os.path.isfile(database):
            fail("the launch command did not prepare " + database)
        app.terminate()
        app.wait()
    finally:
        dpkg("-r", "orvowidgets")
    if not os.path.isfile(database) or os.path.exists("/usr/libexec/orvowidgets/OrvoWidgets"):
        fail("removing the package did not leave the user's database alone, or left the program")


tray = subprocess.Popen(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                         "--height", "32", "--transparent", "false"], env=env,
                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
try:
    os.makedirs(output, exist_ok=True)
    pyatspi.Registry.getDesktop(0)  # starts the accessibility bus before any program asks for it
    wait_for("trayer's panel", lambda: x("xdotool", "search", "--classname", "^panel$").strip())
    if package:
        installed_package()
    else:
        open_failure()
        tray_menu_and_exit()
        one_program_per_desktop()
    print("PASS")
finally:
    tray.kill()
    subprocess.run(["rm", "-rf", work])
