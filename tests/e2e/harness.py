"""End-to-end harness: runs the real game binary under its own Xvfb, in a throw-away copy of the
tree, drives it with real key presses (xdotool) and reads its console and screenshots.

Only the Python standard library is used (plus the X tools the setup script installs)."""

import contextlib
import ctypes
import ctypes.util
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

DEFAULT_SETTINGS = {
    "window": {"width": "640", "height": "360", "refreshRate": "60", "fullscreen": "false",
               "title": "QUARVELLINE", "brightness": "1.0", "monitorAspectRatioDetection": "false",
               "vsync": "false", "showFPS": "false"},
    "game": {"timeLimit": "90", "performanceMode": "false"},
    "debug": {"presentationMode": "false", "skipIntro": "true"},
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Xvfb:
    """A private X server, so parallel runs never see each other's windows."""

    def __init__(self, width=1280, height=720):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % (width, height),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        check(number, "Xvfb did not start")
        self.display = ":" + number

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()


def write_settings(path, settings):
    with open(path, "w") as f:
        for section, values in settings.items():
            f.write("[%s]\n" % section)
            for key, value in values.items():
                f.write("%s = %s\n" % (key, value))
            f.write("\n")


class Tree:
    """build/quarvelline, assets/ (links to the real asset folders, own settings) and a
    CMakeLists.txt that ends the upward asset search."""

    def __init__(self, build_dir, settings=None, copy_shaders=False, write_settings_file=True):
        self.root = tempfile.mkdtemp(prefix="qv-e2e-")
        self.build = os.path.join(self.root, "build")
        self.assets = os.path.join(self.root, "assets")
        os.makedirs(self.build)
        os.makedirs(self.assets)
        shutil.copy2(os.path.join(build_dir, "quarvelline"), self.build)
        open(os.path.join(self.root, "CMakeLists.txt"), "w").close()
        for entry in os.listdir(os.path.join(REPO, "assets")):
            source = os.path.join(REPO, "assets", entry)
            if entry == "settings.ini":
                continue
            if entry == "shaders" and copy_shaders:
                shutil.copytree(source, os.path.join(self.assets, entry))
            else:
                os.symlink(source, os.path.join(self.assets, entry))
        if write_settings_file:
            merged = {s: dict(v) for s, v in DEFAULT_SETTINGS.items()}
            for section, values in (settings or {}).items():
                merged.setdefault(section, {}).update(values)
            write_settings(os.path.join(self.assets, "settings.ini"), merged)

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


class Game:
    def __init__(self, tree, xvfb, env=None, stdin_data=None, cwd=None):
        """`cwd`: the working directory, relative to the tree's root; build/ by default. Without
        an Xvfb (`xvfb` None) the display comes from `env`."""
        self.tree = tree
        self.xvfb = xvfb
        self.lines = []
        self._queue = queue.Queue()
        environment = dict(os.environ)
        if xvfb is not None:
            environment["DISPLAY"] = xvfb.display
        environment.setdefault("ALSOFT_DRIVERS", "null")
        environment.update(env or {})
        # A value of None takes the variable away.
        environment = {name: value for name, value in environment.items() if value is not None}
        self.proc = subprocess.Popen(
            [os.path.join(tree.build, "quarvelline")], cwd=os.path.join(tree.root, cwd) if cwd else tree.build,
            env=environment,
            stdin=subprocess.PIPE if stdin_data is not None else subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, bufsize=1)
        if stdin_data is not None:
            self.proc.stdin.write(stdin_data)
            self.proc.stdin.close()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.window = None

    def _read(self):
        for line in self.proc.stdout:
            line = line.rstrip("\n")
            self.lines.append(line)
            self._queue.put(line)
        self._queue.put(None)

    def wait_for_line(self, pattern, timeout=60):
        regex = re.compile(pattern)
        deadline = time.time() + timeout
        for line in list(self.lines):
            if regex.search(line):
                return line
        while time.time() < deadline:
            try:
                line = self._queue.get(timeout=0.2)
            except queue.Empty:
                continue
            if line is None:
                break
            if regex.search(line):
                return line
        raise Failure("no console line matching %r within %ss; console:\n%s"
                      % (pattern, timeout, "\n".join(self.lines[-60:])))

    def wait_exit(self, timeout=30):
        try:
            code = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the game did not exit within %ss" % timeout)
        self._reader.join(5)
        return code

    def kill(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGKILL)
            self.proc.wait(5)

    def xdotool(self, *args):
        subprocess.run(["xdotool"] + list(args), env={**os.environ, "DISPLAY": self.xvfb.display},
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=20)

    def find_window(self, title="QUARVELLINE", timeout=60):
        deadline = time.time() + timeout
        while time.time() < deadline:
            out = subprocess.run(["xdotool", "search", "--name", "^%s$" % re.escape(title)],
                                 env={**os.environ, "DISPLAY": self.xvfb.display},
                                 capture_output=True, text=True)
            ids = out.stdout.split()
            if ids:
                self.window = ids[0]
                return self.window
            check(self.proc.poll() is None, "the game exited before its window appeared:\n"
                  + "\n".join(self.lines[-40:]))
            time.sleep(0.2)
        raise Failure("no window titled %r" % title)

    def key(self, name):
        self.xdotool("key", "--delay", "60", name)

    def key_down(self, name):
        self.xdotool("keydown", name)

    def key_up(self, name):
        self.xdotool("keyup", name)

    def screenshot(self):
        data = subprocess.run(["import", "-display", self.xvfb.display, "-window", "root", "-depth", "8", "ppm:-"],
                              capture_output=True, check=True, timeout=30).stdout
        return Image.from_ppm(data)

    def wait_for_screen(self, predicate, timeout=60, what="the expected picture"):
        deadline = time.time() + timeout
        last = None
        while time.time() < deadline:
            check(self.proc.poll() is None, "the game exited while waiting for %s:\n%s"
                  % (what, "\n".join(self.lines[-40:])))
            last = self.screenshot()
            if predicate(last):
                return last
            time.sleep(0.3)
        path = os.path.join(tempfile.gettempdir(), "qv-e2e-last.ppm")
        if last is not None:
            with open(path, "wb") as f:
                f.write(last.to_ppm())
        raise Failure("timed out waiting for %s (last screenshot: %s)" % (what, path))

    def hold_key_until(self, name, predicate, timeout=60, what="the expected picture"):
        """Holds a key down (as a player would; the X server's auto-repeat is ignored by the
        game) until the screen satisfies the predicate, then releases it. Returns the picture."""
        self.key_down(name)
        try:
            return self.wait_for_screen(predicate, timeout=timeout, what=what)
        finally:
            if self.proc.poll() is None:
                self.key_up(name)

    def expect_exit(self, expected=0, timeout=60, after="the last step"):
        try:
            code = self.wait_exit(timeout)
        except Failure as failure:
            raise Failure("%s after %s" % (failure, after))
        check(code == expected, "exit status %s after %s, expected %s" % (code, after, expected))

    def quit_with_escape(self, when="Escape"):
        """Escape closes the window; the game shuts down in order with status 0."""
        self.key("Escape")
        self.expect_exit(0, 60, when)

    def close_window(self):
        """Closes the window the way a desktop does: a WM_DELETE_WINDOW client message."""
        check(self.window is not None, "no window to close")
        send_wm_delete(self.xvfb.display, int(self.window))


@contextlib.contextmanager
def running_game(build_dir, screen=(640, 360), env=None, prepare=None, cwd=None, **tree_options):
    """The real game in a throw-away tree under an X server of its own; the game, the server and
    the tree are gone afterwards, whatever the scenario did. `prepare(tree)` runs before the
    game starts; `cwd` goes to Game, the other keywords to Tree."""
    xvfb = Xvfb(*screen)
    tree = None
    game = None
    try:
        tree = Tree(build_dir, **tree_options)
        if prepare:
            prepare(tree)
        game = Game(tree, xvfb, env=env, cwd=cwd)
        yield game
    finally:
        if game:
            game.kill()
        xvfb.close()
        if tree:
            tree.remove()


class Image:
    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels

    @staticmethod
    def from_ppm(data):
        tokens = []
        pos = 0
        while len(tokens) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                while data[pos:pos + 1] not in (b"\n", b""):
                    pos += 1
                continue
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            tokens.append(data[start:pos])
        check(tokens[0] == b"P6", "not a binary PPM")
        width, height, maxval = int(tokens[1]), int(tokens[2]), int(tokens[3])
        check(maxval == 255, "unexpected PPM depth")
        return Image(width, height, data[pos + 1:pos + 1 + width * height * 3])

    def to_ppm(self):
        return b"P6\n%d %d\n255\n" % (self.width, self.height) + bytes(self.pixels)

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def region_mean(self, x0, y0, x1, y1):
        total = [0, 0, 0]
        count = 0
        for y in range(y0, y1):
            row = (y * self.width) * 3
            for x in range(x0, x1):
                i = row + x * 3
                total[0] += self.pixels[i]
                total[1] += self.pixels[i + 1]
                total[2] += self.pixels[i + 2]
                count += 1
        return tuple(t / count for t in total)

    def fraction_near(self, color, tolerance, x0=0, y0=0, x1=None, y1=None, step=2):
        x1 = self.width if x1 is None else x1
        y1 = self.height if y1 is None else y1
        hits = 0
        count = 0
        for y in range(y0, y1, step):
            for x in range(x0, x1, step):
                p = self.pixel(x, y)
                count += 1
                if all(abs(p[k] - color[k]) <= tolerance for k in range(3)):
                    hits += 1
        return hits / max(count, 1)

    def distinct_colors(self, x0, y0, x1, y1, step=4):
        colors = set()
        for y in range(y0, y1, step):
            for x in range(x0, x1, step):
                colors.add(tuple(c // 16 for c in self.pixel(x, y)))
        return len(colors)

    def mean_abs_diff(self, other, x0=0, y0=0, x1=None, y1=None, step=2):
        """Mean per-channel absolute difference from another picture of the same size, 0..255."""
        check(other.width == self.width and other.height == self.height, "pictures of different sizes")
        x1 = self.width if x1 is None else x1
        y1 = self.height if y1 is None else y1
        total = 0
        count = 0
        for y in range(y0, y1, step):
            row = y * self.width * 3
            for x in range(x0, x1, step):
                i = row + x * 3
                total += (abs(self.pixels[i] - other.pixels[i]) + abs(self.pixels[i + 1] - other.pixels[i + 1])
                          + abs(self.pixels[i + 2] - other.pixels[i + 2]))
                count += 3
        return total / max(count, 1)

    def detail(self, x0, y0, x1, y1):
        """Fine detail: the mean per-channel absolute second difference across and down (each
        pixel against its two neighbours). Smooth gradients score 0, edges and texture high, so
        a blurred picture scores much lower than the sharp one."""
        total = 0
        count = 0
        p = self.pixels
        w3 = self.width * 3
        for y in range(max(y0, 1), min(y1, self.height - 1)):
            row = y * w3
            for x in range(max(x0, 1), min(x1, self.width - 1)):
                i = row + x * 3
                for k in range(3):
                    c = 2 * p[i + k]
                    total += abs(c - p[i - 3 + k] - p[i + 3 + k]) + abs(c - p[i - w3 + k] - p[i + w3 + k])
                count += 6
        return total / max(count, 1)


def near(color, expected, tolerance=12):
    return all(abs(color[k] - expected[k]) <= tolerance for k in range(3))


def send_wm_delete(display_name, window):
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                    ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                    ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):
        _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(display_name.encode())
    check(display, "cannot open display %s" % display_name)
    event = Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    event.xclient.data[1] = 0  # CurrentTime
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def run_test(test_function):
    """Runs one scenario: exit status 0 on success, 1 with the reason on failure."""
    build_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(REPO, "build")
    try:
        test_function(build_dir)
    except Failure as failure:
        print("FAILED: %s" % failure)
        sys.exit(1)
    print("PASSED")
    sys.exit(0)
