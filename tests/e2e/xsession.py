"""The real kestrin binary on its own Xvfb, driven through the X server as a
player would: windows found by their titles, clicks and keys sent with
xdotool (XTest), the close box sent as a window manager sends it, and every
check made on screenshots, read with GetImage over one X connection
(python3-xlib) and kept as PNGs (Pillow).

A scenario is a function of a Session; run(scenario) is its whole main:

    python3 SCENARIO.py KESTRIN OUTDIR

Exit status 0 passed, 1 failed, 77 skipped (Xvfb or xdotool missing).
Screenshots of interest, and of a failure, are left in OUTDIR as PNGs.
"""

import ctypes
import math
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import time
import traceback

from PIL import Image
from Xlib import X, display as xdisplay, error as xerror

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir,
                                "tools", "x11"))
import x11_window  # noqa: E402  (the close box the benchmarks and scripts/package send too)

SKIPPED = 77
TICK = 1 / 64  # the games' timer period, in seconds


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def to_px(twips):
    """Twips to logical pixels, rounded as the Qt host rounds them."""
    return math.floor(twips / 15 + 0.5)


def box(left, top, width, height, scale=1):
    """A control's rectangle in twips, as (x0, y0, x1, y1) device pixels, x1
    and y1 exclusive: the pixels the host paints it on."""
    return (to_px(left) * scale, to_px(top) * scale,
            to_px(left + width) * scale, to_px(top + height) * scale)


def _die_with_parent():
    # No process outlives this harness, even one killed with SIGKILL.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


class Shot:
    """A screenshot: a Pillow image in RGB, its pixels also as packed bytes
    for finding colours quickly."""

    def __init__(self, image):
        self.image = image.convert("RGB")
        self.width, self.height = self.image.size
        self.rgb = self.image.tobytes()

    @classmethod
    def from_x_image(cls, reply, width, height):
        """From an X image in ZPixmap format at 32 bits a pixel, least
        significant byte first, as Xvfb gives at depth 24 and 32."""
        return cls(Image.frombytes("RGB", (width, height), reply.data, "raw", "BGRX"))

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return "#" + self.rgb[i:i + 3].hex()

    def row(self, y, x0, x1):
        return [self.pixel(x, y) for x in range(x0, x1)]

    def column(self, x, y0, y1):
        return [self.pixel(x, y) for y in range(y0, y1)]

    def find(self, colour, area):
        """Every pixel of exactly this colour ('#rrggbb') within area."""
        x0, y0, x1, y1 = area
        pattern = re.compile(b"(?=" + re.escape(bytes.fromhex(colour[1:])) + b")")
        found = []
        for y in range(max(y0, 0), min(y1, self.height)):
            start = (y * self.width + max(x0, 0)) * 3
            line = self.rgb[start:start + (min(x1, self.width) - max(x0, 0)) * 3]
            found += [(max(x0, 0) + m.start() // 3, y)
                      for m in pattern.finditer(line) if m.start() % 3 == 0]
        return found

    def blob(self, colour, area, min_run=1):
        """The bounding box (x0, y0, x1, y1 inclusive) of colour within area,
        or None where there is none. With min_run, only pixels in a row of
        at least that many of the colour count: a filled shape, not a line
        of text or a ring."""
        points = self.find(colour, area)
        if min_run > 1:
            runs, kept = [], []
            for point in points + [None]:
                if runs and (point is None or point != (runs[-1][0] + 1, runs[-1][1])):
                    kept += runs if len(runs) >= min_run else []
                    runs = []
                if point is not None:
                    runs.append(point)
            points = kept
        if not points:
            return None
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        return (min(xs), min(ys), max(xs), max(ys))

    def crop(self, area):
        return self.image.crop(area).tobytes()

    def save(self, path):
        self.image.save(path)


class Session:
    """One Xvfb and one kestrin: start() starts both, close() stops both."""

    def __init__(self, outdir):
        self.outdir = outdir
        self.display = None
        self.env = None
        self.kestrin = None
        self.xvfb = None
        self.window_manager = None
        self.weston = None
        self.compositor = None
        self.others = []  # started by spawn()
        self._connection = None  # the X connection shot() and grab() keep open

    def start(self, kestrin, screen=(1280, 1024), env=None, wayland=False, exact_screen=False,
              window_manager=None, command=None):
        """With wayland, kestrin runs as a Wayland client of a weston whose
        output is one X window (self.compositor) on this Xvfb: screenshots,
        clicks and keys go through that window. With exact_screen the screen
        is exactly that size (else a little wider, see _start_xvfb); with a
        window_manager (a command) kestrin starts once it manages the
        screen. A command (program and arguments) runs in kestrin's place:
        a program that runs the game, as kestrin-record does."""
        os.makedirs(self.outdir, exist_ok=True)
        for old in os.listdir(self.outdir):
            if old.endswith((".png", ".log")):
                os.remove(self.path(old))
        runtime = self.path("xdg-runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)

        for attempt in range(5):
            self.display = self._start_xvfb(*screen, exact_screen, attempt)
            if self.display:
                break
        check(self.display, "Xvfb did not start on a display of its own")
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                        XDG_RUNTIME_DIR=runtime)
        self.env.pop("QT_SCALE_FACTOR", None)
        if wayland:
            self._start_weston(runtime)
        self.env.update(env or {})
        if window_manager:
            with open(self.path("window-manager.log"), "wb") as log:
                self.window_manager = subprocess.Popen(
                    window_manager, env=self.env, stdout=log, stderr=log,
                    preexec_fn=_die_with_parent)
            check(self.wait_for(lambda: _managed(self.display), 10),
                  f"{window_manager[0]} does not manage the screen")
        with open(self.path("kestrin.log"), "wb") as log:
            self.kestrin = subprocess.Popen(command or [kestrin], env=self.env, stdout=log,
                                            stderr=log, preexec_fn=_die_with_parent)

    def _start_xvfb(self, width, height, exact, attempt=0):
        """Starts Xvfb on a free display; its name, once it answers there.

        Xvfb picks the display itself and writes its number once it is ready.
        Another X server starting at the same moment can still take the same
        number, so the screen is given a width of its own, and a display whose
        screen is not that wide is not this Xvfb; where the screen must be
        exactly as asked, a second, tiny X screen carries that width instead
        (clients use the first). And it never resets: a reset (when the last
        client leaves) reopens the listening sockets, and a client that
        connects just then is refused. Xvfb picks the first number free on
        this machine, which an X server of another sandbox sharing the
        network may hold: later attempts pick a number at random."""
        tagged = 0
        if exact:
            screens = ["-screen", "0", f"{width}x{height}x24"]
            tagged, width = 1, 64 + random.randrange(1, 1000)
            screens += ["-screen", "1", f"{width}x8x24"]
        else:
            width += random.randrange(1, 64)
            screens = ["-screen", "0", f"{width}x{height}x24"]
        read_end, write_end = os.pipe()
        with open(self.path("xvfb.log"), "ab") as log:
            self.xvfb = subprocess.Popen(
                ["Xvfb", *([f":{random.randrange(100, 1000)}"] if attempt else []),
                 "-displayfd", str(write_end), *screens, "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=log, stderr=log, preexec_fn=_die_with_parent)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 10
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            if select.select([read_end], [], [], 0.1)[0]:
                part = os.read(read_end, 16)
                if not part:
                    break
                number += part
        os.close(read_end)
        display = ":" + number.decode().strip()
        if number.strip().isdigit() and _screen_width(display, tagged) == width:
            return display
        self._stop(self.xvfb)
        return None

    def _start_weston(self, runtime):
        socket = "kestrin-wayland"
        with open(self.path("weston.log"), "ab") as log:
            self.weston = subprocess.Popen(
                ["weston", "--backend=x11-backend.so", "--use-pixman", f"--socket={socket}",
                 "--width=1200", "--height=950", "--idle-time=0"],
                env=self.env, stdout=log, stderr=log, preexec_fn=_die_with_parent)
        found = self.wait_for(lambda: self.xdotool("search", "--classname", "^weston-"), 10)
        check(found and os.path.exists(os.path.join(runtime, socket)), "weston did not start")
        self.compositor = int(found.split()[0])
        self.xdotool("windowfocus", self.compositor)  # its keys go to the focused client
        # Weston follows the pointer only once it has entered its window. It
        # opens under the pointer, and the crossing the X server reports then
        # may come before weston listens for it: so the pointer leaves (to
        # the screen's spare width on the right) and comes back.
        left, top, width, _ = self.geometry(self.compositor)
        self.xdotool("mousemove", left + width + 10, top + 10, "sleep", "0.1",
                     "mousemove", left + width // 2, top + 10)
        self.env.update(WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland")

    @staticmethod
    def _stop(process):
        if process is None or process.poll() is not None:
            return
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()

    def spawn(self, name, command):
        """Starts another program beside kestrin, on this display, its output
        in OUTDIR/name.log; it is stopped with the session at the latest."""
        with open(self.path(name + ".log"), "wb") as log:
            process = subprocess.Popen(command, env=self.env, stdout=log, stderr=log,
                                       preexec_fn=_die_with_parent)
        self.others.append(process)
        return process

    def stop(self, process):
        """Ends a process this session started: SIGTERM, SIGKILL after 5 s."""
        self._stop(process)

    def close(self):
        if self._connection:
            self._connection.close()
            self._connection = None
        # Only the processes this session started.
        for process in self.others:
            self._stop(process)
        self._stop(self.kestrin)
        self._stop(self.window_manager)
        self._stop(self.weston)
        self._stop(self.xvfb)

    # ---- the X tools ----

    def xdotool(self, *args):
        done = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                              text=True, timeout=10)
        return done.stdout.strip() if done.returncode == 0 else ""

    def windows(self, title):
        """The visible windows with exactly this title."""
        found = self.xdotool("search", "--onlyvisible", "--name", "^" + re.escape(title) + "$")
        return [int(w) for w in found.split()]

    def wait_for(self, what, seconds=5):
        """Polls what() until it gives something true, and returns that."""
        deadline = time.monotonic() + seconds
        while True:
            result = what()
            if result or time.monotonic() > deadline:
                return result
            time.sleep(0.05)

    def wait_shot(self, window, predicate, seconds=5):
        """The first screenshot of window for which predicate holds, or None."""
        return self.wait_for(lambda: (lambda shot: shot if predicate(shot) else None)(
            self.shot(window)), seconds)

    def window(self, title, seconds=5):
        """The one visible window with this title, once it is there."""
        found = self.wait_for(lambda: self.windows(title), seconds)
        check(len(found) == 1, f"{len(found)} visible windows titled {title!r}")
        return found[0]

    def geometry(self, window):
        """(x, y, width, height) of a window's client area on the screen.
        (xdotool's getwindowgeometry adds the frame's offset a second time
        under a window manager.)"""
        done = subprocess.run(["xwininfo", "-id", str(window)], env=self.env,
                              capture_output=True, text=True, timeout=10)
        values = dict(line.strip().split(":", 1) for line in done.stdout.splitlines()
                      if line.strip().startswith(("Absolute", "Width", "Height")))
        check(len(values) == 4, f"xwininfo knows no window {window}: {done.stderr.strip()}")
        return tuple(int(values[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y",
                                              "Width", "Height"))

    def frame(self, window):
        """(x, y, width, height) of a window with the frame the window
        manager drew around it (_NET_FRAME_EXTENTS; none without one)."""
        x, y, width, height = self.geometry(window)
        done = subprocess.run(["xprop", "-id", str(window), "_NET_FRAME_EXTENTS"], env=self.env,
                              capture_output=True, text=True, timeout=10)
        found = re.search(r"= (\d+), (\d+), (\d+), (\d+)", done.stdout)
        left, right, top, bottom = map(int, found.groups()) if found else (0, 0, 0, 0)
        return (x - left, y - top, width + left + right, height + top + bottom)

    def destroy(self, window):
        """Destroys a window as another X client can: XDestroyWindow."""
        connection = xdisplay.Display(self.display)
        try:
            connection.create_resource_object("window", window).destroy()
            connection.sync()
        finally:
            connection.close()

    def focus(self):
        text = self.xdotool("getwindowfocus")
        return int(text) if text.isdigit() else None

    def click(self, window, x, y):
        """A left click at (x, y) device pixels of the window's client area."""
        left, top, _, _ = self.geometry(window)
        self.xdotool("mousemove", left + x, top + y, "click", "1")

    def close_box(self, window):
        """The close box, as a window manager sends it: WM_DELETE_WINDOW."""
        x11_window.close(window, self.display)

    def maximise(self, window):
        """The maximise button, asked of the window manager."""
        x11_window.maximise(window, self.display)

    def auto_repeat(self):
        """Turns the server's key auto-repeat on and returns its (delay,
        interval) in seconds, as xset sets and reports them."""
        subprocess.run(["xset", "r", "on"], env=self.env, check=True, timeout=10)
        done = subprocess.run(["xset", "q"], env=self.env, capture_output=True, text=True,
                              timeout=10)
        found = re.search(r"auto repeat delay:\s*(\d+)\s+repeat rate:\s*(\d+)", done.stdout)
        check(found, f"xset reports no repeat rate: {done.stdout.strip()}")
        delay_ms, per_second = map(int, found.groups())
        return delay_ms / 1000, 1 / per_second

    def shot(self, window, name=None):
        """A screenshot of a window's client area (None: the whole screen),
        kept as OUTDIR/name.png when named."""
        if window is None:
            window = self._x().screen().root.id
        image = self.grab(window, (0, 0, *self.geometry(window)[2:]))
        if name:
            image.save(self.path(name + ".png"))
        return image

    def _x(self):
        if self._connection is None:
            self._connection = xdisplay.Display(self.display)
        return self._connection

    def grab(self, window, area):
        """A screenshot of part of a window, (x0, y0, x1, y1), over the one X
        connection the session keeps open, quick enough for following
        something that moves on a busy machine. Its pixels are numbered from
        the area's corner."""
        x0, y0, x1, y1 = area
        connection = self._x()
        try:
            reply = connection.create_resource_object("window", window).get_image(
                x0, y0, x1 - x0, y1 - y0, X.ZPixmap, 0xFFFFFFFF)
        except xerror.XError as failure:
            raise Failure(f"no picture of window {window} at {area}: {failure}") from failure
        check(connection.display.info.image_byte_order == X.LSBFirst and
              len(reply.data) == (x1 - x0) * (y1 - y0) * 4,
              f"an X image of {len(reply.data)} bytes for {area}")
        return Shot.from_x_image(reply, x1 - x0, y1 - y0)

    def path(self, name):
        return os.path.join(self.outdir, name)

    def exit_status(self, seconds=5):
        """kestrin's exit status, once it has ended (None: still running)."""
        try:
            return self.kestrin.wait(seconds)
        except subprocess.TimeoutExpired:
            return None

    def failure_shot(self):
        try:
            self.shot(None, "failure")
        except (Failure, subprocess.SubprocessError, OSError):
            pass


def _screen_width(display, screen=0):
    try:
        connection = xdisplay.Display(display)
    except xerror.DisplayError:
        return None
    try:
        if screen >= connection.screen_count():
            return None
        return connection.screen(screen).width_in_pixels
    finally:
        connection.close()


def _managed(display):
    """True once a window manager says it manages the display's screen
    (_NET_SUPPORTING_WM_CHECK on the root window)."""
    done = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                          env=dict(os.environ, DISPLAY=display), capture_output=True, text=True,
                          timeout=10)
    return "window id" in done.stdout


def run(scenario, **session_options):
    """The main of a scenario script."""
    if len(sys.argv) != 3:
        sys.exit(f"usage: {sys.argv[0]} KESTRIN OUTDIR")
    for tool in ("Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            print(f"SKIPPED: {tool} is not installed")
            sys.exit(SKIPPED)

    # ctest's time-out and ^C end the scenario through its clean-up too.
    def stop(signum, _frame):
        raise SystemExit(128 + signum)

    for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(signum, stop)

    session = Session(sys.argv[2])
    started = time.monotonic()
    try:
        session.start(sys.argv[1], **session_options)
        scenario(session)
    except Exception as failure:  # an X tool that hangs or dies fails the scenario too
        if isinstance(failure, Failure):
            print(f"FAILED: {failure}")
        else:
            traceback.print_exc()
        if session.display:
            session.failure_shot()
        sys.exit(1)
    finally:
        session.close()
    print(f"PASSED in {time.monotonic() - started:.1f} s")
