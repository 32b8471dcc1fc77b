"""The real executable in a private home, driven with xdotool and read over the accessibility bus."""

import atexit
import ctypes
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

import gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402
import pyatspi  # noqa: E402

output = "."  # where a failure's screenshot goes: set by the script
work = tempfile.mkdtemp(prefix="orvo-e2e-")
atexit.register(shutil.rmtree, work, ignore_errors=True)
os.makedirs(os.path.join(work, "runtime"), mode=0o700)
env = dict(os.environ, HOME=work, XDG_DATA_HOME=os.path.join(work, "data"), QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
           XDG_RUNTIME_DIR=os.path.join(work, "runtime"), QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY="1")
if os.geteuid() == 0:
    env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"  # the web engine's sandbox refuses root
database = os.path.join(env["XDG_DATA_HOME"], "OrvoWidgets", "orvo.db")
Atspi.set_timeout(5000, 10000)  # a program stuck in a nested loop must not hang us
MENU = ["Настройки программы", "Показать/cкрыть чат", "Показать/cкрыть календарь", "Помощь", "", "Выход"]
started = []


def fail(why):
    shot = os.path.basename(sys.argv[0]).replace("test_", "e2e_").replace(".py", "_failure.png")
    subprocess.run(["import", "-window", "root", os.path.join(output, shot)], stderr=subprocess.DEVNULL)
    sys.exit("FAIL: " + why)


def wait_for(what, probe, timeout=30):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def x(*argv, env=env):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=10).stdout


def start(argv, env=env, **kw):
    quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    started.append(subprocess.Popen(argv, env=env, cwd=work, **{**quiet, **kw}))
    return started[-1]


@atexit.register
def stop_all():
    for process in reversed(started):
        process.terminate()  # not killed: X servers take their lock files along
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
    started.clear()


def launch(command, env=env):
    return start([command], env, stderr=subprocess.PIPE, start_new_session=True)


def make_database(tool, env=env):
    subprocess.run([tool], env=env, check=True, stdout=subprocess.DEVNULL)
    with sqlite3.connect(os.path.join(env["XDG_DATA_HOME"], "OrvoWidgets", "orvo.db")) as db:
        db.execute("UPDATE settings SET OrvoChatPort = 0")  # any free port: never another program's


def start_trayer(env=env):
    start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
           "--transparent", "false"], env)
    wait_for("trayer's panel", lambda: x("xdotool", "search", "--classname", "^panel$", env=env).strip())


def paints(rgb):
    """Whether a pixel on the screen has the colour "rrggbb"."""
    screen = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"], capture_output=True).stdout
    return bytes.fromhex(rgb) in {screen[i:i + 3] for i in range(0, len(screen), 3)}


def tray_icons(env=env):
    """The mapped client windows docked in trayer's panel (panel > socket > icon)."""
    def children(window):
        return re.findall(r"^\s+(0x[0-9a-f]+) ", x("xwininfo", "-id", window, "-children", env=env), re.M)
    panels = [w for w in x("xdotool", "search", "--classname", "^panel$", env=env).split()
              if '"trayer"' in x("xprop", "-id", w, "WM_CLASS", env=env)]
    return [icon for p in panels for s in children(p) for icon in children(s)
            if "IsViewable" in x("xwininfo", "-id", icon, env=env)]


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    return next((a for a in map(desktop.getChildAtIndex, range(desktop.childCount))
                 if a is not None and a.get_process_id() == pid), None)


def find(acc, role):
    found = [acc] if acc.getRoleName() == role else []
    for child in filter(None, map(acc.getChildAtIndex, range(acc.childCount))):  # a child may go meanwhile
        found += find(child, role)
    return found


def click(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x("xdotool", "mousemove", str(e.x + e.width // 2), str(e.y + e.height // 2), "click", "1")


def ended(app, what, within=5):
    try:
        code = app.wait(timeout=within)
    except subprocess.TimeoutExpired:
        app.kill()
        fail(what + " did not end the program")
    if code != 0:
        fail(f"{what} ended the program with status {code}: {app.stderr.read().decode()}")


def popup_menu(open_menu):
    """[(role, name, accessible)] of the menu open_menu opens, found through the focus event of
    its first item (which Down focuses): popup menus are not among the program's windows."""
    found = []

    def on_focus(event):
        menu = event.source.parent
        if not found and event.source.getRoleName() == "menu item" and menu.getRoleName() == "popup menu":
            found.append([(c.getRoleName(), c.name, c) for c in map(menu.getChildAtIndex, range(menu.childCount))])
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
    fail("no popup menu took the focus")


class ClientMessage(ctypes.Structure):  # Xlib's XClientMessageEvent, padded to an XEvent
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def close_window(window):
    """Asks `window` to close as a window manager's close button does (WM_DELETE_WINDOW)."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = xlib.XOpenDisplay(None)
    event = ClientMessage(type=33, display=display, window=window, format=32,  # 33: ClientMessage
                          message_type=xlib.XInternAtom(display, b"WM_PROTOCOLS", 0))
    event.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    xlib.XCloseDisplay(display)  # sends it


def session(pid):
    """{pid: name} of the running processes in the session `launch` gave the program `pid`."""
    ps = (line.split(None, 2) for line in x("ps", "-o", "pid=,stat=,comm=", "-s", str(pid)).splitlines())
    return {int(p): n for p, state, n in ps if not state.startswith("Z")}
