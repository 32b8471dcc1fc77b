#!/usr/bin/python3
"""The real executable where the desktop is not X11 with an XEmbed tray, each on a session bus of
its own: Wayland (weston, headless) without X, where it runs natively and says once what needs X,
and with XWayland, where the clock is an X window, the icon docks in trayer and "Выход" ends it
with 0; and a StatusNotifier panel on Xvfb, where the item has its icon and tool tip, two Activate
calls hide and show the clock, and the menu reads over D-Bus and its "Выход" ends it with 0.
Usage: test_desktops.py PROGRAM PROVISION OUTPUT_DIR"""

import os
import re
import sqlite3
import subprocess
import sys
import tempfile
import time

import dbus

program, provision, output = sys.argv[1:4]
work = tempfile.mkdtemp(prefix="orvo-desktops-")
MENU = ["Настройки программы", "Показать/cкрыть чат", "Показать/cкрыть календарь", "Помощь", "", "Выход"]
CLOCK = "^Digital Clock$"
started = []


def fail(why):
    sys.exit("FAIL: " + why)


def wait_for(what, probe, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    fail("timed out waiting for " + what)


def start(argv, env, **kw):
    process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, **kw)
    started.append(process)
    return process


def desktop(name):
    """A fresh user (data and runtime directories) with a database and a
    private session bus; no display yet."""
    home = os.path.join(work, name)
    runtime = os.path.join(home, "runtime")
    os.makedirs(runtime, mode=0o700)
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM",
                        "DBUS_SESSION_BUS_ADDRESS")}
    env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=runtime)
    subprocess.run([provision], env=env, check=True, stdout=subprocess.DEVNULL)
    with sqlite3.connect(os.path.join(env["XDG_DATA_HOME"], "OrvoWidgets", "orvo.db")) as db:
        db.execute("UPDATE settings SET OrvoChatPort = 0")  # never another program's chat port
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    return env


def x(env, *argv):
    return subprocess.run(argv, env=env, capture_output=True, text=True, timeout=10).stdout


def clock_windows(env, app):
    return x(env, "xdotool", "search", "--onlyvisible", "--pid", str(app.pid), "--name", CLOCK).split()


def ended(app, what):
    try:
        code = app.wait(timeout=10)
    except subprocess.TimeoutExpired:
        fail(what + " did not end the program")
    if code != 0:
        fail(f"{what} ended the program with status {code}")


def wayland_with_xwayland():
    env = desktop("wayland")
    log = os.path.join(env["HOME"], "weston.log")
    socket = f"orvo-e2e-{os.getpid()}"
    # Weston takes the first free X display number itself and names it in its log.
    start(["weston", "--backend=headless-backend.so", "--xwayland", "--socket=" + socket, "--log=" + log,
           "--idle-time=0"], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    display = wait_for("weston's X display", lambda: os.path.exists(log) and re.search(
        r"xserver listening on display (:\d+)", open(log).read()))
    env.update(WAYLAND_DISPLAY=socket, XDG_SESSION_TYPE="wayland")
    # Without X it runs natively and says what it cannot do there.
    native = start([program], env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wait_for("the program on Wayland alone", lambda: [
        name for name in os.listdir(env["XDG_RUNTIME_DIR"]) if re.match(r"OrvoWidgets.*\.socket$", name)])
    # A second start on the same desktop finds the first one running and ends.
    second = subprocess.run([program], env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=20)
    if second.returncode != 0 or native.poll() is not None:
        fail("the program did not run natively on Wayland")
    native.kill()
    said = native.communicate()[1].count("need X")
    if said != 1:
        fail(f"without X the program said {said} times that it needs X for some things")
    env["DISPLAY"] = display.group(1)
    start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
           "--transparent", "false"], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    panel = wait_for("trayer's panel", lambda: x(env, "xdotool", "search", "--classname", "^panel$").split())[0]
    app = start([program], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for("the clock as an X window on XWayland", lambda: clock_windows(env, app))

    def docked():  # panel > socket > icon
        return [client for socket in re.findall(r"^\s+(0x[0-9a-f]+) ", x(env, "xwininfo", "-id", panel,
                                                                         "-children"), re.M)
                for client in re.findall(r"^\s+(0x[0-9a-f]+) .*\"OrvoWidgets\"",
                                         x(env, "xwininfo", "-id", socket, "-children"), re.M)]
    icon = wait_for("the icon docked in trayer", docked)[0]
    # The headless compositor has no seat, on which XWayland's input
    # injection depends: the click goes to the icon as a sent event, and the
    # keys to the menu it opened (Up wraps round to the last entry).
    windows = set(x(env, "xdotool", "search", "--onlyvisible", "--pid", str(app.pid)).split())
    x(env, "xdotool", "click", "--window", icon, "3")
    menu = wait_for("the tray menu", lambda: [w for w in x(env, "xdotool", "search", "--onlyvisible", "--pid",
                                                               str(app.pid)).split()
                                               if w not in windows and "POPUP_MENU" in
                                               x(env, "xprop", "-id", w, "_NET_WM_WINDOW_TYPE")])[0]
    x(env, "xdotool", "key", "--window", menu, "Up", "Return")
    ended(app, "\"Выход\" from the tray on XWayland")


def status_notifier_panel():
    env = desktop("sni")
    xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x600x24", "-nolisten", "tcp"], env,
                 stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    env["DISPLAY"] = ":" + xvfb.stdout.readline().strip()
    bus = dbus.bus.BusConnection(env["DBUS_SESSION_BUS_ADDRESS"])
    start(["status-notifier-watcher"], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def watcher(name):
        try:
            return bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher").Get(
                "org.kde.StatusNotifierWatcher", name, dbus_interface=dbus.PROPERTIES_IFACE)
        except dbus.DBusException:
            return None
    wait_for("the StatusNotifier watcher", lambda: watcher("ProtocolVersion") is not None)
    start(["gtk-sni-tray-standalone"], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for("the panel to register as the host", lambda: watcher("IsStatusNotifierHostRegistered"))
    app = start([program], env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    registered = wait_for("the icon as a StatusNotifier item", lambda: watcher("RegisteredStatusNotifierItems"))
    service, _, path = str(registered[0]).partition("/")
    item = bus.get_object(service, "/" + (path or "StatusNotifierItem"))

    def prop(name):
        return item.Get("org.kde.StatusNotifierItem", name, dbus_interface=dbus.PROPERTIES_IFACE)
    # The welcome balloon, where no notification service shows it, stands
    # in the tool tip for its second.
    wait_for("the item's tool tip \"OrvoWidgets 0.1\"", lambda: str(prop("ToolTip")[2]) == "OrvoWidgets 0.1")
    if not any(len(pixels) >= 16 * 16 * 4 for _, _, pixels in prop("IconPixmap")) and not prop("IconName"):
        fail("the item has no icon")
    wait_for("the clock", lambda: clock_windows(env, app))
    subprocess.run(["import", "-window", "root", os.path.join(output, "e2e_status_notifier.png")], env=env)
    # The panel's click: it has no double click.
    for shown in (False, True):
        item.Activate(0, 0, dbus_interface="org.kde.StatusNotifierItem")
        wait_for("Activate to " + ("show" if shown else "hide") + " the clock",
                 lambda: bool(clock_windows(env, app)) == shown, timeout=5)

    menu = bus.get_object(service, prop("Menu"))
    _, (_, _, entries) = menu.GetLayout(0, -1, dbus.Array(["label", "type"], signature="s"),
                                        dbus_interface="com.canonical.dbusmenu")
    # The menu protocol marks the mnemonic with "_".
    labels = [str(e[1].get("label", "")).replace("_", "") if e[1].get("type") != "separator" else ""
              for e in entries]
    if labels != MENU:
        fail(f"the menu over D-Bus reads {labels}, expected {MENU}")
    menu.Event(entries[-1][0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
               dbus_interface="com.canonical.dbusmenu")
    ended(app, "\"Выход\" over the menu protocol")


try:
    os.makedirs(output, exist_ok=True)
    for scenario in (wayland_with_xwayland, status_notifier_panel):
        try:
            scenario()
        finally:
            # Terminated, not killed: the X servers take their lock files along.
            for process in reversed(started):
                process.terminate()
                try:
                    process.wait(timeout=5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            started.clear()
    print("PASS")
finally:
    subprocess.run(["rm", "-rf", work])
