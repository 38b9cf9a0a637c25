"""The journeys' harness: a real X server with a window manager and the accessibility bus, the real
booth in it, driven by real pointer and key events (xdotool) at the places the accessibility tree
gives for the controls, and checked through that tree, the window list and screenshots."""

import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import Atspi
from PIL import Image, ImageChops, ImageGrab

# A hung booth must fail a journey, not hang it: accessibility calls give up after 5 s.
Atspi.set_timeout(5000, 15000)


class JourneyError(AssertionError):
    pass


def log(*args):
    print("journey:", *args, flush=True)


def _kill_group(proc, sig=signal.SIGTERM, wait=5):
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, sig)
    except ProcessLookupError:
        return
    try:
        proc.wait(wait)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        proc.wait(5)


def wait_until(predicate, timeout, what, interval=0.1):
    """Polls predicate until it gives a true value, which is returned; JourneyError after timeout s."""
    end = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = predicate()
            if value:
                return value
        except (JourneyError, RuntimeError, Exception) as e:  # a window may close under the query
            last_error = e
        if time.monotonic() > end:
            raise JourneyError("timed out after %.1f s waiting for %s%s"
                               % (timeout, what, " (last error: %s)" % last_error if last_error else ""))
        time.sleep(interval)


class Desktop:
    """Xvfb, openbox and the accessibility bus, inside the session bus the test runs in."""

    def __init__(self, workdir, size="1280x1024"):
        self.workdir = workdir
        self.size = size
        self.procs = []
        self.display = None

    def __enter__(self):
        if not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            raise JourneyError("no session bus: run the journey inside dbus-run-session")
        r, w = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", self.size + "x24", "-nolisten", "tcp",
                                 "-noreset"], pass_fds=(w,), start_new_session=True,
                                stdout=subprocess.DEVNULL, stderr=open(os.path.join(self.workdir, "xvfb.log"), "w"))
        os.close(w)
        self.procs.append(xvfb)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                raise JourneyError("Xvfb did not start (see xvfb.log)")
            number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()
        os.environ["DISPLAY"] = self.display
        wm_log = open(os.path.join(self.workdir, "openbox.log"), "w")
        self.procs.append(subprocess.Popen(["openbox", "--sm-disable"], start_new_session=True,
                                           stdout=wm_log, stderr=wm_log))
        self.procs.append(subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                                           start_new_session=True, stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL))
        # The window manager is up when it has set its supporting window.
        wait_until(lambda: subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True,
                                          text=True).stdout.find("window id") >= 0, 10, "the window manager")
        log("display", self.display)
        return self

    def __exit__(self, *exc):
        for p in reversed(self.procs):
            _kill_group(p)
        return False

    def screenshot(self, path=None):
        img = ImageGrab.grab(xdisplay=self.display).convert("RGB")
        if path:
            img.save(path)
        return img

    def window_names(self):
        """Names of the mapped top-level windows, as the window manager lists them."""
        out = subprocess.run(["wmctrl", "-l"], capture_output=True, text=True).stdout
        return [line.split(None, 3)[3] if len(line.split(None, 3)) > 3 else "" for line in out.splitlines()]


class Booth:
    """One run of corvantis on the desktop."""

    TITLE = "Kivra Tesselwick"

    def __init__(self, desktop, corvantis, home, args=(), env=None, name="booth"):
        self.desktop = desktop
        self.corvantis = corvantis
        self.home = home
        self.args = list(args)
        self.extra_env = env or {}
        self.name = name
        self.proc = None
        self.log_path = os.path.join(desktop.workdir, name + ".log")
        # Inside the kiosk view the accessibility tree places controls at their scaled top-left
        # corner but gives their unscaled size; the view's scale makes the size right again.
        self.scale = 1.0

    # ---- process ----
    def start(self):
        env = dict(os.environ)
        env.update({"QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                    "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
                    "XDG_DATA_HOME": os.path.join(self.home, ".local/share"),
                    "HOME": self.home})
        env.pop("QT_ACCESSIBILITY", None)
        env.update(self.extra_env)
        self.proc = subprocess.Popen([self.corvantis, "--home", self.home] + self.args, env=env,
                                     stdout=open(self.log_path, "a"), stderr=subprocess.STDOUT,
                                     start_new_session=True)
        self.started = time.monotonic()
        log("started", self.name, " ".join(self.args), "pid", self.proc.pid)
        return self

    def wait_ready(self, timeout=20, title=TITLE):
        """Waits until the booth's window is shown, active and placed (the window manager has
        stopped moving it), so that a click lands where the accessibility tree says."""
        last = [None]

        def placed():
            w = self.window(title)
            if w is None or not w.getState().contains(pyatspi.STATE_ACTIVE):
                return False
            where = self.extents(w)
            settled = where == last[0]
            last[0] = where
            return settled
        wait_until(placed, timeout, "the window \"%s\"" % title, interval=0.2)
        return time.monotonic() - self.started

    def kill(self, sig=signal.SIGKILL):
        if self.proc and self.proc.poll() is None:
            os.killpg(self.proc.pid, sig)
            self.proc.wait(10)

    def stop(self):
        _kill_group(self.proc)

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def wait_exit(self, timeout=10):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise JourneyError("the booth did not end within %d s" % timeout)

    def output(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()

    # ---- the accessibility tree ----
    def app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            a = desktop.getChildAtIndex(i)
            try:
                if a is not None and a.get_process_id() == self.proc.pid:
                    a.clearCache()
                    return a
            except Exception:
                continue
        return None

    def windows(self):
        """The booth's shown top-level windows: (name, accessible), the active one last."""
        app = self.app()
        if app is None:
            return []
        shown = []
        for w in app:
            if w is not None and w.getState().contains(pyatspi.STATE_SHOWING):
                shown.append(w)
        shown.sort(key=lambda w: w.getState().contains(pyatspi.STATE_ACTIVE))
        return shown

    def window_titles(self):
        return [w.name for w in self.windows()]

    def window(self, title):
        for w in self.windows():
            if w.name == title:
                return w
        return None

    def active(self):
        for w in self.windows():
            if w.getState().contains(pyatspi.STATE_ACTIVE):
                return w
        return None

    def find_all(self, name=None, role=None, within=None, showing=True, predicate=None):
        roots = [within] if within is not None else self.windows()
        found = []

        def visit(node, depth):
            if node is None or depth > 14:
                return
            try:
                state = node.getState()
                if showing and depth > 0 and not state.contains(pyatspi.STATE_SHOWING):
                    return
                if (name is None or node.name == name) and (role is None or node.getRoleName() == role) \
                        and (predicate is None or predicate(node)):
                    found.append(node)
                for i in range(node.childCount):
                    visit(node.getChildAtIndex(i), depth + 1)
            except Exception:
                return

        for r in roots:
            visit(r, 0)
        return found

    def find(self, name, role=None, within=None, index=0, timeout=5):
        def look():
            nodes = self.find_all(name, role, within)
            return nodes[index] if len(nodes) > index else None
        return wait_until(look, timeout, "control \"%s\"%s" % (name, " (%s)" % role if role else ""))

    def extents(self, node):
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return e.x, e.y, int(e.width * self.scale), int(e.height * self.scale)

    @staticmethod
    def description(node):
        return node.description or ""

    # ---- real input ----
    def click_at(self, x, y, button=1, double=False):
        cmd = ["xdotool", "mousemove", str(int(x)), str(int(y)), "click"]
        if double:
            cmd += ["--repeat", "2", "--delay", "60"]
        subprocess.run(cmd + [str(button)], check=True)

    def click(self, name, role="push button", within=None, index=0, button=1, double=False, timeout=5):
        node = self.find(name, role, within, index, timeout)
        x, y, w, h = self.extents(node)
        if w <= 0 or h <= 0:
            raise JourneyError("control \"%s\" has no place on the screen" % name)
        self.click_at(x + w // 2, y + h // 2, button, double)
        return node

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "40"] + list(keys), check=True)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)

    def close_window(self, title):
        """The window manager's close (as the title bar's close would): WM_DELETE_WINDOW."""
        subprocess.run(["wmctrl", "-c", title], check=True)

    # ---- waiting ----
    def wait_window(self, title, timeout=10, active=True):
        def ready():
            w = self.window(title)
            return w if w is not None and (not active or w.getState().contains(pyatspi.STATE_ACTIVE)) else None
        return wait_until(ready, timeout, "window \"%s\"%s (shown: %s)" % (title, " to be active" if active else "",
                                                                           self.window_titles()))

    def wait_gone(self, title, timeout=10):
        wait_until(lambda: self.window(title) is None, timeout, "window \"%s\" to close" % title)

    def used_slots(self):
        slots = self.find_all(predicate=lambda n: n.name.startswith("Slot ") and " of " in n.name,
                              within=self.window(self.TITLE))
        return [s.name for s in slots if self.description(s).startswith("Holds a picture")]

    def slot_count(self):
        slots = self.find_all(predicate=lambda n: n.name.startswith("Slot ") and " of " in n.name,
                              within=self.window(self.TITLE))
        return len(slots)

    def grab(self, node):
        """The node's pixels as they are on the screen now."""
        x, y, w, h = self.extents(node)
        return self.desktop.screenshot().crop((x, y, x + w, y + h))


def differs(a, b, tolerance=8):
    """True when two pictures of one size differ by more than tolerance in any channel somewhere."""
    diff = ImageChops.difference(a.convert("RGB"), b.convert("RGB"))
    return max(hi for lo, hi in diff.getextrema()) > tolerance


def write_settings(home, values, section="Configure"):
    os.makedirs(home, exist_ok=True)
    with open(os.path.join(home, "KivraTesselwick.ini"), "a") as f:
        f.write("[%s]\n" % section)
        for k, v in values.items():
            f.write("%s=%s\n" % (k, v))


class Cups:
    """The tests' own CUPS daemon with a default queue "booth" whose jobs arrive as PDF files."""

    def __init__(self, helper):
        self.helper = helper
        self.proc = None

    def __enter__(self):
        self.proc = subprocess.Popen([self.helper], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                     start_new_session=True)
        line = self.proc.stdout.readline().strip()
        fields = dict(f.split("=", 1) for f in line.split() if "=" in f)
        if "socket" not in fields:
            raise JourneyError("the test CUPS server did not start: %r" % line)
        self.socket = fields["socket"]
        self.jobs = fields["jobs"]
        log("cups", self.socket)
        return self

    def env(self):
        return {"CUPS_SERVER": self.socket}

    def wait_jobs(self, count, timeout=30):
        def done():
            pdfs = sorted(f for f in os.listdir(self.jobs) if f.endswith(".pdf"))
            return [os.path.join(self.jobs, f) for f in pdfs] if len(pdfs) >= count else None
        return wait_until(done, timeout, "%d print job(s)" % count)

    def __exit__(self, *exc):
        if self.proc and self.proc.poll() is None:
            self.proc.stdin.close()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                _kill_group(self.proc)
        return False
