"""Helpers for driving the real Pelorin.exe on an X display from outside, the
way a user does: X input through xdotool, screen pixels through GDK, and what
Windows knows of the windows (captions, client sizes, dialogs) through the
probe, a small Windows program run in the same Wine set-up.

Needs DISPLAY (scripts/test provides a private Xvfb) and the environment that
tests/CMakeLists.txt gives the test: PELORIN_EXE, PELORIN_PROBE,
PELORIN_WINE_RUN, PELORIN_TEST_DATA. DESKTOP_DEBUG=1 logs how long each wait took.
"""
import json
import os
import subprocess
import sys
import time

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("GdkX11", "3.0")
from gi.repository import Gdk, GdkX11  # noqa: E402,F401

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_RUN = os.environ.get("PELORIN_WINE_RUN", os.path.join(HERE, "..", "..", "scripts", "wine-run"))
EXE = os.environ.get("PELORIN_EXE", "")
PROBE = os.environ.get("PELORIN_PROBE", "")
DATA = os.environ.get("PELORIN_TEST_DATA", os.path.join(HERE, "..", "data"))

# Everything here waits by polling, up to these limits: a loaded machine can
# be slow, a healthy run rarely waits more than a second.
TIMEOUT = 60.0
POLL = 0.1


def windows_path(host_path):
    """Drive Z: is the host's root in every Wine prefix."""
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


def data(name):
    return os.path.join(DATA, name)


def wait_for(what, condition, timeout=TIMEOUT):
    """Polls condition() until it returns something true; fails after timeout."""
    start = time.monotonic()
    end = start + timeout
    while True:
        value = condition()
        if value:
            if os.environ.get("DESKTOP_DEBUG"):
                log("  %.1f s for %s" % (time.monotonic() - start, what))
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(POLL)


# --- X input ----------------------------------------------------------------

def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30)


def pointer():
    """Where the pointer is, and the X window under it: (x, y, window id)."""
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], check=True, capture_output=True,
                         text=True, timeout=30).stdout
    values = dict(line.split("=", 1) for line in out.split())
    return int(values["X"]), int(values["Y"]), int(values["WINDOW"])


def move(x, y):
    # --sync waits for the pointer to arrive, and for seconds when it is
    # already there: skip a move that moves nothing.
    if pointer()[:2] != (x, y):
        xdotool("mousemove", "--sync", x, y)


def click(x, y):
    move(x, y)
    xdotool("click", 1)


def drag(start, end, steps=10):
    """Presses the left button at start, moves to end in steps, releases."""
    move(*start)
    xdotool("mousedown", 1)
    try:
        for i in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * i // steps
            y = start[1] + (end[1] - start[1]) * i // steps
            move(x, y)
            time.sleep(0.05)
        time.sleep(0.2)
    finally:
        xdotool("mouseup", 1)


def key(*keys):
    xdotool("key", "--clearmodifiers", *keys)


def type_text(text):
    xdotool("type", "--delay", 20, text)


def x_focus():
    """The X window that has the input focus."""
    out = subprocess.run(["xdotool", "getwindowfocus", "-f"], check=True, capture_output=True, text=True,
                         timeout=30).stdout
    return int(out.split()[0])


def x_window_at(x, y):
    """The X window under a point of the screen (the pointer is moved there)."""
    move(x, y)
    return pointer()[2]


# --- screen pixels ------------------------------------------------------------

def capture(rect):
    """The screen's pixels in rect (left, top, right, bottom) as bytes."""
    left, top, right, bottom = rect
    Gdk.flush()
    root = Gdk.get_default_root_window()
    pixbuf = Gdk.pixbuf_get_from_window(root, left, top, right - left, bottom - top)
    return pixbuf.get_pixels(), pixbuf.get_rowstride(), pixbuf.get_n_channels()


def difference(a, b, tolerance=24):
    """Share (0..1) of pixels whose colour differs by more than tolerance."""
    pixels_a, stride, channels = a
    pixels_b = b[0]
    if len(pixels_a) != len(pixels_b) or not pixels_a:
        return 1.0
    changed = total = 0
    # Every fourth pixel of every fourth row: plenty for a moving picture.
    for row in range(0, len(pixels_a) // stride, 4):
        base = row * stride
        for col in range(0, (stride // channels) - 1, 4):
            i = base + col * channels
            total += 1
            if (abs(pixels_a[i] - pixels_b[i]) > tolerance or abs(pixels_a[i + 1] - pixels_b[i + 1]) > tolerance
                    or abs(pixels_a[i + 2] - pixels_b[i + 2]) > tolerance):
                changed += 1
    return changed / total if total else 1.0


def capture_png(rect, path):
    left, top, right, bottom = rect
    root = Gdk.get_default_root_window()
    Gdk.pixbuf_get_from_window(root, left, top, right - left, bottom - top).savev(path, "png", [], [])


# --- the Wine set-up -----------------------------------------------------------

def wine(*args):
    subprocess.run([WINE_RUN, *args], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True, timeout=120)


# Xvfb runs no window manager, and Pelorin.exe is told so while the suite
# runs (a user's desktop keeps its window manager's ways):
# - Decorated N: under a window manager Wine leaves the frame and caption of a
#   window to it, and resizing too; here the frame would be nowhere and its
#   edges could not be dragged. Undecorated, Wine draws the whole window and
#   runs the system's own sizing loop, as Windows does.
# - UseTakeFocus N: Wine waits for the window manager's WM_TAKE_FOCUS before
#   it activates a window that gets the X focus; nobody sends that here, so a
#   window that lost the foreground (to a dialog that closed) never got it
#   back. Without it, the X focus alone activates the window.
NO_WM_KEY = r"HKCU\Software\Wine\AppDefaults\Pelorin.exe\X11 Driver"
NO_WM_VALUES = ("Decorated", "UseTakeFocus")


def wine_without_window_manager(on):
    for value in NO_WM_VALUES:
        if on:
            wine("reg", "add", NO_WM_KEY, "/v", value, "/d", "N", "/f")
        else:
            wine("reg", "delete", NO_WM_KEY, "/v", value, "/f")


# --- what Windows sees --------------------------------------------------------

class Probe:
    """One long-running probe.exe: a look costs a pipe round trip, not a Wine start."""

    def __init__(self, desktop=None):
        """desktop: the name of a virtual desktop to look at instead of the display's."""
        args = ["--desktop", desktop] if desktop else []
        self.process = subprocess.Popen([WINE_RUN, PROBE, *args, "serve"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)

    def windows(self):
        self.process.stdin.write(b"windows\n")
        self.process.stdin.flush()
        line = self.process.stdout.readline()
        if not line:
            raise AssertionError("the probe ended")
        result = json.loads(line)
        for w in result:
            w["caption"] = bytes.fromhex(w["caption"]).decode("cp932", errors="replace")
        return result

    def close(self):
        try:
            self.process.stdin.write(b"quit\n")
            self.process.stdin.close()
            self.process.wait(timeout=30)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        self.process.stdout.close()


# The menu bar lies just above the client area: one line of the menu font.
MENU_BAR_HEIGHT = 19


def client_rect(w):
    """A window's client area in screen coordinates (left, top, right, bottom)."""
    left, top, width, height = w["client"]
    return left, top, left + width, top + height


def client_size(w):
    return w["client"][2], w["client"][3]


class Player:
    """Pelorin.exe started by the suite, found through the probe."""

    def __init__(self, probe, *args, desktop=None):
        """desktop: "NAME,WIDTHxHEIGHT" starts the player in a Wine virtual desktop."""
        self.probe = probe
        command = ["explorer", "/desktop=" + desktop, windows_path(EXE)] if desktop else [EXE]
        self.process = subprocess.Popen([WINE_RUN, *command, *args], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.pid = None  # the Windows process id, once its window is seen

    def own_windows(self):
        return [w for w in self.probe.windows() if w["exe"].lower() == "pelorin.exe"
                and (self.pid is None or w["pid"] == self.pid)]

    def main_window(self):
        """The main window: the one Pelorin window no other of its windows owns."""
        for w in self.own_windows():
            if w["class"] == "Pelorin.TForm" and w["owner"] == 0 and w["caption"].startswith("Pelorin"):
                self.pid = w["pid"]
                return w
        return None

    def wait_main_window(self, condition=lambda w: True, what="the main window"):
        return wait_for(what, lambda: (lambda w: w if w and condition(w) else None)(self.main_window()))

    def dialog(self):
        """A visible dialog (open dialog, message box, About box) of the process."""
        main = self.main_window()
        for w in self.own_windows():
            if main and w["hwnd"] != main["hwnd"] and w["class"] in ("#32770", "Pelorin.TForm"):
                return w
        return None

    def popup_menus(self):
        # Menus are the system's windows; Wine gives them to the process that opened them.
        return [w for w in self.probe.windows() if w["class"] == "#32768" and w["pid"] == self.pid]

    def focus(self):
        """Brings the main window to the front and gives it the keyboard, as
        a window manager does when the user clicks the window. (A click on
        Wine's own caption would start the move loop, which then takes the
        keys.)"""
        end = time.monotonic() + TIMEOUT
        while True:
            w = self.wait_main_window()
            left, top, right, bottom = client_rect(w)
            window = x_window_at((left + right) // 2, (top + bottom) // 2)
            # Wine acts on changes of the X focus. When the window holds it
            # already but is not in front (a dialog closed: Wine saw the X
            # focus leave for the root and gave the foreground to nobody),
            # the focus must leave and come back.
            if x_focus() == window:
                if w["foreground"]:
                    return w
                xdotool("windowfocus", "--sync", Gdk.get_default_root_window().get_xid())
                time.sleep(0.2)
            xdotool("windowfocus", "--sync", window)
            try:
                # In front, and still so a moment later: Wine may still be
                # sorting out an earlier focus change.
                wait_for("the main window in the foreground",
                         lambda: (self.main_window() or {}).get("foreground"), timeout=3)
                time.sleep(0.3)
                w = self.main_window()
                if w and w["foreground"] and x_focus() == window:
                    return w
            except AssertionError:
                pass
            if time.monotonic() > end:
                raise AssertionError("the main window does not come to the front")

    def running(self):
        return self.process.poll() is None

    def close(self):
        start = time.monotonic()
        if self.running():
            self.process.terminate()
        try:
            self.process.wait(timeout=30)
            if os.environ.get("DESKTOP_DEBUG"):
                log("  %.1f s to end the player" % (time.monotonic() - start))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()


def log(*args):
    print(*args, file=sys.stderr, flush=True)
