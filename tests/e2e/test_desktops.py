#!/usr/bin/python3
"""The real executable where the desktop is not X11 with an XEmbed tray, each with a session bus of its
own: weston (headless) with XWayland and trayer, and a StatusNotifier panel on Xvfb.
Usage: test_desktops.py PROGRAM PROVISION OUTPUT_DIR"""

import os
import re
import subprocess
import sys

import dbus
import e2e
from e2e import MENU, ended, fail, launch, make_database, start, start_trayer, stop_all, tray_icons, wait_for, x

program, provision, e2e.output = sys.argv[1:4]
CLOCK = ("--name", "^Digital Clock$")


def desktop(name):
    """A fresh user with a database and a private session bus; no display yet."""
    home = os.path.join(e2e.work, name)
    os.makedirs(os.path.join(home, "runtime"), mode=0o700)
    env = {k: v for k, v in os.environ.items() if k not in
           ("DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS")}
    env.update(HOME=home, XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=os.path.join(home, "runtime"))
    make_database(provision, env)
    bus = start(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env, stdout=subprocess.PIPE, text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()
    return env


def windows(env, app, *match):
    return x("xdotool", "search", "--onlyvisible", "--pid", str(app.pid), *match, env=env).split()


def wayland_with_xwayland():
    env = desktop("wayland")
    log = os.path.join(env["HOME"], "weston.log")
    socket = f"orvo-e2e-{os.getpid()}"
    # Weston takes the first free X display number itself and names it in its log.
    start(["weston", "--backend=headless-backend.so", "--xwayland", "--socket=" + socket, "--log=" + log,
           "--idle-time=0"], env)
    display = wait_for("weston's X display", lambda: os.path.exists(log) and re.search(
        r"xserver listening on display (:\d+)", open(log).read()))
    env.update(WAYLAND_DISPLAY=socket, XDG_SESSION_TYPE="wayland", DISPLAY=display.group(1))
    start_trayer(env)
    app = launch(program, env)
    wait_for("the clock as an X window on XWayland", lambda: windows(env, app, *CLOCK))
    icon = wait_for("the icon docked in trayer", lambda: tray_icons(env))[0]
    # The headless compositor has no seat, on which XWayland's input injection depends: the click
    # goes to the icon as a sent event, and the keys to its menu (Up wraps round to the last entry).
    x("xdotool", "click", "--window", icon, "3", env=env)
    menu = wait_for("the tray menu", lambda: [
        w for w in windows(env, app) if "POPUP_MENU" in x("xprop", "-id", w, "_NET_WM_WINDOW_TYPE", env=env)])
    x("xdotool", "key", "--window", menu[0], "Up", "Return", env=env)
    ended(app, "\"Выход\" from the tray on XWayland", within=10)


def status_notifier_panel():
    env = desktop("sni")
    xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1024x600x24", "-nolisten", "tcp"], env,
                 stdout=subprocess.PIPE, text=True)
    env["DISPLAY"] = ":" + xvfb.stdout.readline().strip()
    bus = dbus.bus.BusConnection(env["DBUS_SESSION_BUS_ADDRESS"])
    start(["status-notifier-watcher"], env)

    def watcher(name):
        try:
            return bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher").Get(
                "org.kde.StatusNotifierWatcher", name, dbus_interface=dbus.PROPERTIES_IFACE)
        except dbus.DBusException:
            return None
    wait_for("the StatusNotifier watcher", lambda: watcher("ProtocolVersion") is not None)
    start(["gtk-sni-tray-standalone"], env)
    wait_for("the panel to register as the host", lambda: watcher("IsStatusNotifierHostRegistered"))
    app = launch(program, env)
    registered = wait_for("the icon as a StatusNotifier item", lambda: watcher("RegisteredStatusNotifierItems"))
    service, _, path = str(registered[0]).partition("/")
    item = bus.get_object(service, "/" + (path or "StatusNotifierItem"))

    def prop(name):
        return item.Get("org.kde.StatusNotifierItem", name, dbus_interface=dbus.PROPERTIES_IFACE)
    # Where no notification service shows it, the welcome balloon stands in the tool tip for its second.
    wait_for("the item's tool tip \"OrvoWidgets 0.1\"", lambda: str(prop("ToolTip")[2]) == "OrvoWidgets 0.1")
    if not any(len(pixels) >= 16 * 16 * 4 for _, _, pixels in prop("IconPixmap")) and not prop("IconName"):
        fail("the item has no icon")
    wait_for("the clock", lambda: windows(env, app, *CLOCK))
    for shown in (False, True):  # the panel's click: it has no double click
        item.Activate(0, 0, dbus_interface="org.kde.StatusNotifierItem")
        wait_for("Activate to " + ("show" if shown else "hide") + " the clock",
                 lambda: bool(windows(env, app, *CLOCK)) == shown, timeout=5)
    menu = bus.get_object(service, prop("Menu"))
    _, (_, _, entries) = menu.GetLayout(0, -1, dbus.Array(["label", "type"], signature="s"),
                                        dbus_interface="com.canonical.dbusmenu")
    labels = [str(e[1].get("label", "")).replace("_", "") if e[1].get("type") != "separator" else ""
              for e in entries]  # the menu protocol marks the mnemonic with "_"
    if labels != MENU:
        fail(f"the menu over D-Bus reads {labels}, expected {MENU}")
    menu.Event(entries[-1][0], "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0),
               dbus_interface="com.canonical.dbusmenu")
    ended(app, "\"Выход\" over the menu protocol", within=10)


os.makedirs(e2e.output, exist_ok=True)
for scenario in (wayland_with_xwayland, status_notifier_panel):
    scenario()
    stop_all()  # one X server at a time
print("PASS")
