"""Runs the real OrvoWidgets executable on a private X server and reads what
it shows.

Each test script opens one Session: its own Xvfb, session bus, accessibility
bus, optionally the XEmbed tray host trayer, and the program with a private
data, runtime and home directory. What the program shows is read through the
accessibility bus (pyatspi) and from the X window tree (xwininfo, xdotool);
input goes in through xdotool. Every wait is bounded, and everything started
here is killed when the session ends, whatever the outcome.

pyatspi binds to the accessibility bus named by the environment of the first
import, so one process can host only one session.
"""

import argparse
import ctypes
import os
import re
import select
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

WAIT = 20.0          # the longest any single condition is waited for
SCRIPT_BUDGET = 150  # seconds before a whole script gives up
SCREEN = "1280x800x24"

_PR_SET_PDEATHSIG = 1
_PR_SET_CHILD_SUBREAPER = 36
_libc = ctypes.CDLL(None, use_errno=True)


class Failure(Exception):
    """A check failed; the message says what was expected and what was seen."""


def _child_setup():
    # Own process group so the whole tree can be killed at once, and die with
    # the test script even if it is killed without a chance to clean up.
    os.setsid()
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def _read_line(fd, timeout, what):
    deadline = time.monotonic() + timeout
    data = b""
    while b"\n" not in data:
        left = deadline - time.monotonic()
        if left <= 0:
            raise Failure(f"{what} did not report within {timeout:.0f} s")
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                break
            data += chunk
    line = data.decode().strip()
    if not line:
        raise Failure(f"{what} closed its pipe without reporting")
    return line


class Node:
    """A snapshot of one accessible object: plain values, safe to keep after
    the object itself is gone."""

    def __init__(self, role, name, states, extents, children):
        self.role = role
        self.name = name
        self.states = states
        self.extents = extents  # (x, y, width, height) on the screen, or None
        self.children = children

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def find_all(self, role=None, name=None):
        return [n for n in self.walk()
                if (role is None or n.role == role) and (name is None or n.name == name)]

    def center(self):
        if not self.extents:
            raise Failure(f"{self.role} {self.name!r} has no screen extents")
        x, y, w, h = self.extents
        return x + w // 2, y + h // 2

    def dump(self, depth=0):
        ext = "" if self.extents is None else " at %d,%d %dx%d" % self.extents
        lines = ["%s%s %r%s [%s]" % ("  " * depth, self.role, self.name, ext, ", ".join(self.states))]
        for child in self.children:
            lines.extend(child.dump(depth + 1))
        return lines


class Session:
    def __init__(self, name, program, provision_tool, output_dir, tray_host=True, provisioned=True):
        self.name = name
        self.program = os.path.abspath(program)
        self.provision_tool = os.path.abspath(provision_tool)
        self.output_dir = os.path.abspath(output_dir)
        self.tray_host = tray_host
        self.provisioned = provisioned
        self.notes = []
        self.env = None
        self.app = None
        self._procs = []  # (label, Popen) in start order
        self._pyatspi = None
        self._tmp = None

    # ----------------------------------------------------------- lifecycle

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        for tool in ("Xvfb", "dbus-daemon", "dbus-send", "xdotool", "xwininfo", "xprop", "import",
                     "/usr/libexec/at-spi-bus-launcher") + (("trayer",) if self.tray_host else ()):
            if not shutil.which(tool):
                raise Failure(f"required tool {tool} is not installed")
        for path in (self.program, self.provision_tool):
            if not os.access(path, os.X_OK):
                raise Failure(f"not an executable: {path}")
        os.makedirs(self.output_dir, exist_ok=True)
        # Orphans of our children (the accessibility bus, the registry) are
        # handed to us, so they can be reaped instead of left as zombies.
        _libc.prctl(_PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)

        self._tmp = tempfile.mkdtemp(prefix=f"orvo-e2e-{self.name}-")
        self.data_home = os.path.join(self._tmp, "data")
        runtime = os.path.join(self._tmp, "runtime")
        home = os.path.join(self._tmp, "home")
        for d in (self.data_home, runtime, home):
            os.makedirs(d, mode=0o700)

        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("DBUS_", "AT_SPI", "QT_", "XDG_", "WAYLAND", "SESSION_MANAGER"))
               and k not in ("DISPLAY", "XAUTHORITY", "DESKTOP_SESSION")}
        env.update(XDG_DATA_HOME=self.data_home, XDG_RUNTIME_DIR=runtime, HOME=home,
                   LANG=os.environ.get("LANG", "C.UTF-8"))
        self.env = env

        self._start_x()
        self._start_session_bus()
        self._start_accessibility_bus()
        if self.tray_host:
            self._start_tray_host()
        if self.provisioned:
            self.provision()

    def _spawn(self, label, argv, **kwargs):
        log = open(os.path.join(self._tmp, label + ".log"), "wb")
        proc = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=log,
                                stderr=subprocess.STDOUT, preexec_fn=_child_setup, **kwargs)
        log.close()
        self._procs.append((label, proc))
        return proc

    def _start_x(self):
        r, w = os.pipe()
        try:
            self._spawn("xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0", SCREEN,
                                 "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
            os.close(w)
            w = None
            number = _read_line(r, WAIT, "Xvfb")
        finally:
            os.close(r)
            if w is not None:
                os.close(w)
        self.env["DISPLAY"] = ":" + number

    def _start_session_bus(self):
        r, w = os.pipe()
        try:
            self._spawn("session-bus", ["dbus-daemon", "--session", "--nofork",
                                        f"--print-address={w}"], pass_fds=(w,))
            os.close(w)
            w = None
            self.env["DBUS_SESSION_BUS_ADDRESS"] = _read_line(r, WAIT, "dbus-daemon")
        finally:
            os.close(r)
            if w is not None:
                os.close(w)

    def _start_accessibility_bus(self):
        self._spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])

        def owned():
            out = self.run(["dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                            "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                            "string:org.a11y.Bus"], check=False)
            return "boolean true" in out
        self.wait_for(owned, what="the accessibility bus launcher to own org.a11y.Bus")
        # This process talks to the same buses and screen as the program.
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR"):
            os.environ[key] = self.env[key]
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)

    def _start_tray_host(self):
        self._spawn("trayer", ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request",
                               "--height", "32", "--transparent", "false"])
        self.wait_for(self.tray_panel, what="trayer's panel window")

    def provision(self):
        out = self.run([self.provision_tool], timeout=WAIT)
        db = os.path.join(self.data_home, "OrvoWidgets", "orvo.db")
        if not os.path.isfile(db):
            raise Failure(f"orvo-provision did not create {db}; it printed: {out!r}")
        # Port 0 lets the system pick a free UDP port, so the program under
        # test never competes for the chat port with another run.
        with sqlite3.connect(db) as connection:
            connection.execute("UPDATE settings SET OrvoChatPort = 0")
        connection.close()

    def launch(self):
        self.env.update(QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        self._app_out = os.path.join(self._tmp, "program.stdout")
        self._app_err = os.path.join(self._tmp, "program.stderr")
        with open(self._app_out, "wb") as out, open(self._app_err, "wb") as err:
            self.app = subprocess.Popen([self.program], env=self.env, stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=err, preexec_fn=_child_setup,
                                        cwd=self._tmp)
        self._procs.append(("program", self.app))
        return self.app

    def stop(self):
        # Cleaning up must not be cut short by the script's own time limit.
        signal.alarm(0)
        signal.signal(signal.SIGTERM, signal.SIG_IGN)
        for label, proc in reversed(self._procs):
            _kill_group(proc)
        self._procs = []
        _reap_orphans()
        if self._tmp:
            shutil.rmtree(self._tmp, ignore_errors=True)
            self._tmp = None

    # ------------------------------------------------------------ utilities

    def note(self, text):
        self.notes.append(text)
        print("note:", text, flush=True)

    def run(self, argv, timeout=10, check=True):
        try:
            done = subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{argv[0]} did not finish within {timeout} s: {' '.join(argv)}")
        if check and done.returncode != 0:
            raise Failure(f"{' '.join(argv)} failed with {done.returncode}: "
                          f"{done.stderr.decode(errors='replace').strip()}")
        return done.stdout.decode(errors="replace")

    def wait_for(self, predicate, timeout=WAIT, interval=0.2, what="a condition"):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() >= deadline:
                raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
            time.sleep(interval)

    def program_output(self):
        def read(path):
            try:
                with open(path, "rb") as f:
                    return f.read().decode(errors="replace")
            except (OSError, AttributeError):
                return ""
        return read(getattr(self, "_app_out", None)), read(getattr(self, "_app_err", None))

    def running(self):
        return self.app is not None and self.app.poll() is None

    def require_running(self):
        if self.app is None:
            raise Failure("the program was never started")
        code = self.app.poll()
        if code is not None:
            raise Failure(f"the program exited early with status {code}")

    def wait_exit(self, timeout=5.0):
        try:
            return self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the program still runs {timeout:.0f} s after it was told to quit")

    def screenshot(self, label):
        label = re.sub(r"\W+", "_", label).strip("_")
        path = os.path.join(self.output_dir, f"{self.name}_{label}.png")
        self.run(["import", "-window", "root", path], timeout=20)
        print("screenshot:", path, flush=True)
        return path

    # ------------------------------------------------------------- X input

    # xdotool's --sync would wait forever when the pointer is already there.
    def move(self, x, y):
        self.run(["xdotool", "mousemove", str(x), str(y)])
        time.sleep(0.15)

    def click(self, x, y, button=1, repeat=1):
        self.move(x, y)
        self.run(["xdotool", "click", "--repeat", str(repeat), "--delay", "120", str(button)])

    def hover(self, x, y):
        # Leave first, so that the target sees the pointer enter.
        self.move(640, 700)
        self.move(x, y)

    def key(self, name):
        self.run(["xdotool", "key", name])

    # -------------------------------------------------------- X window tree

    def visible_windows(self, title):
        """Ids of the mapped windows whose title is exactly `title`."""
        out = self.run(["xdotool", "search", "--onlyvisible", "--name",
                        "^" + re.escape(title) + "$"], check=False)
        return out.split()

    def tray_panel(self):
        # trayer's panel: WM_CLASS "panel", "trayer" (xdotool's --all does
        # not combine the two reliably, so the class is checked separately).
        out = self.run(["xdotool", "search", "--classname", "^panel$"], check=False)
        for wid in out.split():
            if '"trayer"' in self.run(["xprop", "-id", wid, "WM_CLASS"], check=False):
                return wid
        return None

    def window_info(self, wid):
        """Map state and absolute geometry of one window, None once it is gone."""
        done = subprocess.run(["xwininfo", "-id", wid], env=self.env, capture_output=True, timeout=10)
        if done.returncode != 0:
            return None
        text = done.stdout.decode(errors="replace")

        def field(label):
            m = re.search(r"^\s*" + re.escape(label) + r":\s*(.+)$", text, re.M)
            return m.group(1).strip() if m else ""
        return {"id": wid, "x": int(field("Absolute upper-left X") or 0),
                "y": int(field("Absolute upper-left Y") or 0),
                "width": int(field("Width") or 0), "height": int(field("Height") or 0),
                "mapped": field("Map State") == "IsViewable"}

    def _children(self, wid):
        done = subprocess.run(["xwininfo", "-id", wid, "-children"], env=self.env, capture_output=True,
                              timeout=10)
        if done.returncode != 0:
            return []
        return re.findall(r"^\s+(0x[0-9a-f]+) ", done.stdout.decode(errors="replace"), re.M)

    def tray_icons(self):
        """Client windows embedded in trayer: the panel holds one socket
        window per icon, and an embedded icon is the socket's child."""
        panel = self.tray_panel()
        if not panel:
            raise Failure("trayer's panel window is gone")
        icons = []
        for socket in self._children(panel):
            for client in self._children(socket):
                info = self.window_info(client)
                if info and info["mapped"] and info["width"] > 1 and info["height"] > 1:
                    icons.append(info)
        return icons

    def wait_for_tray_icon(self, timeout=WAIT):
        def one():
            self.require_running()
            self.require_no_error_box()
            icons = self.tray_icons()
            return icons[0] if len(icons) == 1 else None
        icon = self.wait_for(one, timeout=timeout, what="one icon embedded in trayer")
        return icon

    # --------------------------------------------------- accessibility bus

    def atspi(self):
        if self._pyatspi is None:
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi
            import pyatspi
            # Bound every call: a program stuck in a nested loop must not hang us.
            Atspi.set_timeout(5000, 10000)
            self._pyatspi = pyatspi
        return self._pyatspi

    def app_accessible(self):
        """The program's application object on the accessibility bus, or None."""
        pyatspi = self.atspi()
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            try:
                acc = desktop.getChildAtIndex(i)
                if acc is not None and acc.get_process_id() == self.app.pid:
                    return acc
            except Exception:
                continue
        return None

    def snapshot(self, acc, depth=0, limit=400):
        """Plain copy of an accessible subtree (at most `limit` nodes)."""
        pyatspi = self.atspi()
        budget = [limit]

        def copy(a, d):
            budget[0] -= 1
            try:
                role = a.getRoleName()
                name = a.name or ""
                states = [pyatspi.stateToString(s) for s in a.getState().getStates()]
            except Exception:
                return None
            extents = None
            try:
                e = a.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                extents = (e.x, e.y, e.width, e.height)
            except Exception:
                pass
            children = []
            if d < 25:
                try:
                    count = a.childCount
                except Exception:
                    count = 0
                for i in range(count):
                    if budget[0] <= 0:
                        break
                    try:
                        c = a.getChildAtIndex(i)
                    except Exception:
                        c = None
                    if c is not None:
                        node = copy(c, d + 1)
                        if node is not None:
                            children.append(node)
            return Node(role, name, states, extents, children)
        return copy(acc, depth)

    def windows(self):
        """Snapshot of the program's top-level accessible windows, or None
        while the program is not yet on the accessibility bus."""
        acc = self.app_accessible()
        return self.snapshot(acc) if acc is not None else None

    def wait_for_window(self, predicate, timeout=WAIT, what="a window"):
        seen = [None]

        def look():
            self.require_running()
            tree = self.windows()
            seen[0] = tree
            if tree is None:
                return None
            for top in tree.children:
                if predicate(top):
                    return top
            return None
        try:
            return self.wait_for(look, timeout=timeout, interval=0.3, what=what)
        except Failure as e:
            raise Failure(f"{e}; the program showed:\n{describe(seen[0])}")

    def wait_point_clear(self, x, y, timeout=10):
        """Waits until none of the program's windows (the welcome balloon,
        say) covers the screen point that is about to be clicked."""
        def covering():
            tree = self.windows()
            if tree is None:
                return []
            return [w for w in tree.children if "showing" in w.states and w.extents
                    and w.extents[0] <= x < w.extents[0] + w.extents[2]
                    and w.extents[1] <= y < w.extents[1] + w.extents[3]]
        last = [[]]

        def clear():
            last[0] = covering()
            return not last[0]
        try:
            self.wait_for(clear, timeout=timeout, interval=0.25, what=f"the point {x},{y} to be uncovered")
        except Failure as e:
            raise Failure(f"{e}; it stays under " + "; ".join(
                f"{w.role} {w.name!r} at {w.extents}" for w in last[0]))

    def error_boxes(self, tree=None):
        tree = tree if tree is not None else self.windows()
        if tree is None:
            return []
        return [w for w in tree.children if w.role in ("alert", "dialog") and w.name == "Error"]

    def require_no_error_box(self, tree=None):
        """Fails when an "Error" box is up: with a sound database nothing may
        fail, and a box left up stalls whatever shows it."""
        boxes = self.error_boxes(tree)
        if boxes:
            texts = [label.name for box in boxes for label in box.find_all(role="label")]
            raise Failure(f"an \"Error\" box is up: {texts}")

    def capture_popup_menu(self, open_menu, timeout=WAIT):
        """Opens a popup menu with `open_menu()` and returns a snapshot of it.

        Popup menus are not listed among the program's windows; the menu is
        reached through the focus event of its first item, which Down moves
        the keyboard focus to."""
        pyatspi = self.atspi()
        from gi.repository import GLib
        found = []

        def on_focus(event):
            if found:
                return
            try:
                src = event.source
                parent = src.parent if src is not None else None
                if (src is not None and src.getRoleName() == "menu item" and parent is not None
                        and parent.getRoleName() == "popup menu"):
                    found.append(self.snapshot(parent))
            except Exception:
                pass
        kinds = ("object:state-changed:focused", "focus:")
        pyatspi.Registry.registerEventListener(on_focus, *kinds)
        try:
            open_menu()
            context = GLib.MainContext.default()
            deadline = time.monotonic() + timeout
            next_key = time.monotonic() + 0.5
            next_open = time.monotonic() + 6.0
            while not found:
                now = time.monotonic()
                if now >= deadline:
                    raise Failure(f"no popup menu item took the focus within {timeout:.0f} s")
                if now >= next_open:
                    # The menu may never have opened: close whatever is open, try again.
                    self.key("Escape")
                    open_menu()
                    next_open = now + 6.0
                    next_key = now + 0.5
                elif now >= next_key:
                    self.key("Down")
                    next_key = now + 2.0
                while context.iteration(False):
                    pass
                time.sleep(0.05)
        finally:
            pyatspi.Registry.deregisterEventListener(on_focus, *kinds)
        return found[0]


def describe(tree):
    if tree is None:
        return "  (the program is not on the accessibility bus)"
    return "\n".join("  " + line for line in tree.dump())


def _kill_group(proc):
    if proc.poll() is None:
        for sig, grace in ((signal.SIGTERM, 3), (signal.SIGKILL, 3)):
            try:
                os.killpg(proc.pid, sig)
            except ProcessLookupError:
                pass
            try:
                proc.wait(timeout=grace)
                break
            except subprocess.TimeoutExpired:
                continue
    else:
        # The leader is gone but helpers it started may still be in its group.
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass


def _reap_orphans():
    deadline = time.monotonic() + 3
    while time.monotonic() < deadline:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            time.sleep(0.05)


def stderr_noise(text):
    """Lines of the program's standard error that Qt prints about the test
    environment itself rather than about the program."""
    harmless = (
        re.compile(r"^QStandardPaths: "),
        re.compile(r"^qt\.qpa\.xcb: "),
        re.compile(r"^qt\.accessibility\.atspi: "),
        re.compile(r"^dbind-WARNING"),
    )
    own, noise = [], []
    for line in text.splitlines():
        if not line.strip():
            continue
        (noise if any(p.search(line) for p in harmless) else own).append(line)
    return own, noise


def main(name, test, tray_host=True, provisioned=True, description=""):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--program", required=True, help="the OrvoWidgets executable")
    parser.add_argument("--provision", required=True, help="the orvo-provision executable")
    parser.add_argument("--output", required=True, help="directory for screenshots")
    args = parser.parse_args()

    def give_up(signum, frame):
        raise Failure(f"the script ran out of time ({SCRIPT_BUDGET} s) or was interrupted")
    signal.signal(signal.SIGALRM, give_up)
    signal.signal(signal.SIGTERM, give_up)
    signal.alarm(SCRIPT_BUDGET)

    session = Session(name, args.program, args.provision, args.output, tray_host, provisioned)
    status = 0
    try:
        with session:
            try:
                test(session)
            finally:
                out, err = session.program_output()
                if err.strip():
                    print("program stderr:\n" + "\n".join("  " + l for l in err.splitlines()))
                if out.strip():
                    print("program stdout:\n" + "\n".join("  " + l for l in out.splitlines()))
    except Failure as e:
        print(f"FAIL {name}: {e}", flush=True)
        status = 1
    except Exception as e:  # a broken harness must fail the test, loudly
        import traceback
        traceback.print_exc()
        print(f"FAIL {name}: {type(e).__name__}: {e}", flush=True)
        status = 1
    finally:
        signal.alarm(0)
    if status == 0:
        print(f"PASS {name}", flush=True)
    sys.exit(status)
