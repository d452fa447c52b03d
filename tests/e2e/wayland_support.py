"""A headless Wayland desktop for the end-to-end scenarios: a sway compositor of its own (with
its Xwayland when asked), its picture taken with grim, its window tree read with swaymsg, and
keys pressed on a virtual keyboard of our own."""

import array
import ctypes
import ctypes.util
import glob
import json
import os
import shutil
import socket
import struct
import subprocess
import tempfile
import time

from harness import Failure, Image, check


class Sway:
    """sway on wlroots' headless backend with one output of the given size, software-rendered, in
    a runtime folder of its own (so parallel runs never meet)."""

    def __init__(self, width, height, xwayland=False):
        self.runtime = tempfile.mkdtemp(prefix="qv-wayland-")  # mode 0700, as Wayland asks
        self.width = width
        self.height = height
        config = os.path.join(self.runtime, "config")
        with open(config, "w") as f:
            f.write("output * mode %dx%d\n" % (width, height))
            f.write("xwayland %s\n" % ("enable" if xwayland else "disable"))
            # Windows without borders or title bars: a window's rectangle is its picture.
            f.write("default_border none\ndefault_floating_border none\n")
        environment = {name: value for name, value in os.environ.items()
                       if name not in ("DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_SESSION_TYPE")}
        environment.update({"XDG_RUNTIME_DIR": self.runtime, "WLR_BACKENDS": "headless",
                            "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1"})
        self.log_path = os.path.join(self.runtime, "sway.log")
        with open(self.log_path, "w") as log:
            self.proc = subprocess.Popen(["sway", "-c", config], env=environment, stdin=subprocess.DEVNULL,
                                         stdout=log, stderr=subprocess.STDOUT)
        self.wayland_display = None
        self.ipc = None
        self._input = None
        deadline = time.time() + 30
        while time.time() < deadline and not (self.wayland_display and self.ipc):
            check(self.proc.poll() is None, "sway ended at start:\n" + self.log())
            sockets = [name for name in os.listdir(self.runtime)
                       if name.startswith("wayland-") and not name.endswith(".lock")]
            ipc = glob.glob(os.path.join(self.runtime, "sway-ipc.*.sock"))
            if sockets and ipc:
                self.wayland_display = sorted(sockets)[0]
                self.ipc = ipc[0]
            else:
                time.sleep(0.1)
        check(self.wayland_display and self.ipc, "sway opened no Wayland display:\n" + self.log())
        self.env = {"XDG_RUNTIME_DIR": self.runtime, "WAYLAND_DISPLAY": self.wayland_display,
                    "SWAYSOCK": self.ipc}

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return "".join(f.readlines()[-30:])

    def client_env(self):
        """The environment of a Wayland client: the display named, no X display, and no session
        type (GLFW then tries Wayland first, as on a Wayland desktop)."""
        return {**self.env, "DISPLAY": None, "XDG_SESSION_TYPE": None}

    def x_display(self):
        """The X display of sway's Xwayland (started on first use)."""
        answer = os.path.join(self.runtime, "display")
        self.msg("exec", "echo $DISPLAY > %s" % answer)
        deadline = time.time() + 20
        while time.time() < deadline:
            if os.path.exists(answer):
                with open(answer) as f:
                    display = f.read().strip()
                if display:
                    return display
            time.sleep(0.1)
        raise AssertionError("sway names no X display")

    def msg(self, *args):
        return subprocess.run(["swaymsg"] + list(args), env={**os.environ, **self.env}, capture_output=True,
                              text=True, timeout=20).stdout

    def command(self, text):
        """One sway command, as swaymsg gives it; sway must carry it out."""
        reply = self.msg(text)
        check(reply and all(part.get("success") for part in json.loads(reply)),
              "sway did not carry out %r: %s" % (text, reply))

    def window(self, title="QUARVELLINE"):
        """The window's node of sway's tree (rect, fullscreen_mode, visible, ...), or None."""
        def find(node):
            if node.get("name") == title and node.get("type") in ("con", "floating_con"):
                return node
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                found = find(child)
                if found:
                    return found
            return None
        text = self.msg("-t", "get_tree")
        return find(json.loads(text)) if text else None

    def screenshot(self):
        data = subprocess.run(["grim", "-t", "ppm", "-"], env={**os.environ, **self.env},
                              capture_output=True, check=True, timeout=30).stdout
        return Image.from_ppm(data)

    def input(self):
        """A virtual keyboard and mouse on sway's seat, made before the game starts so that the
        game's window finds them on the seat from the start."""
        if self._input is None:
            self._input = VirtualInput(os.path.join(self.runtime, self.wayland_display))
        return self._input

    def key(self, name):
        """One key pressed and released, held for 60 ms: Return or Escape."""
        self.input().tap(EVDEV_KEYS[name])

    def move_mouse(self, dx, dy):
        """The mouse moved by (dx, dy) pixels."""
        self.input().move(dx, dy)

    def place_mouse(self, x, y):
        """The pointer put at (x, y) of the output, as a tablet would."""
        self.input().place(x, y, self.width, self.height)

    def close(self):
        if self._input is not None:
            self._input.close()
        self.proc.terminate()
        try:
            self.proc.wait(10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait(5)
        shutil.rmtree(self.runtime, ignore_errors=True)


def crop(shot, x, y, width, height):
    """The part of a screenshot at (x, y), top down, of the given size."""
    rows = [shot.pixels[((y + row) * shot.width + x) * 3:((y + row) * shot.width + x + width) * 3]
            for row in range(height)]
    return Image(width, height, b"".join(rows))


# Linux input key codes: GLFW on Wayland reads the key from the code, whatever the keymap says.
EVDEV_KEYS = {"Escape": 1, "Return": 28}


def default_keymap():
    """The default XKB keymap (evdev rules, us layout) as text, from libxkbcommon."""
    xkb = ctypes.CDLL(ctypes.util.find_library("xkbcommon") or "libxkbcommon.so.0")
    xkb.xkb_context_new.restype = ctypes.c_void_p
    xkb.xkb_keymap_new_from_names.restype = ctypes.c_void_p
    xkb.xkb_keymap_new_from_names.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int]
    xkb.xkb_keymap_get_as_string.restype = ctypes.c_void_p
    xkb.xkb_keymap_get_as_string.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xkb.xkb_keymap_unref.argtypes = [ctypes.c_void_p]
    xkb.xkb_context_unref.argtypes = [ctypes.c_void_p]
    libc = ctypes.CDLL(None)
    libc.free.argtypes = [ctypes.c_void_p]
    context = xkb.xkb_context_new(0)
    check(context, "libxkbcommon made no context")
    keymap = xkb.xkb_keymap_new_from_names(context, None, 0)
    check(keymap, "libxkbcommon made no default keymap")
    text = xkb.xkb_keymap_get_as_string(keymap, 1)  # XKB_KEYMAP_FORMAT_TEXT_V1
    keymap_text = ctypes.string_at(text)
    libc.free(text)
    xkb.xkb_keymap_unref(keymap)
    xkb.xkb_context_unref(context)
    return keymap_text


class VirtualInput:
    """A client of the compositor that speaks just enough of the Wayland wire protocol to make a
    zwp_virtual_keyboard_v1 on the seat, with the default keymap, and a zwlr_virtual_pointer_v1,
    and press keys and move the mouse on them."""

    def __init__(self, path):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(path)
        self.buffer = b""
        self.globals = {}
        self._send(1, 1, struct.pack("<I", 2))  # wl_display.get_registry -> 2
        self._roundtrip(3)
        check("wl_seat" in self.globals, "the compositor offers no seat")
        check("zwp_virtual_keyboard_manager_v1" in self.globals, "the compositor offers no virtual keyboard")
        self._bind(self.globals["wl_seat"], "wl_seat", 1, 4)
        self._bind(self.globals["zwp_virtual_keyboard_manager_v1"], "zwp_virtual_keyboard_manager_v1", 1, 5)
        check("zwlr_virtual_pointer_manager_v1" in self.globals, "the compositor offers no virtual pointer")
        self._bind(self.globals["zwlr_virtual_pointer_manager_v1"], "zwlr_virtual_pointer_manager_v1", 1, 6)
        # New objects take the next free number, in order.
        self._send(6, 0, struct.pack("<II", 4, 7))  # create_virtual_pointer(seat 4) -> 7
        self._send(5, 0, struct.pack("<II", 4, 8))  # create_virtual_keyboard(seat 4) -> 8
        keymap = default_keymap() + b"\0"
        fd = os.memfd_create("qv-keymap")
        try:
            os.write(fd, keymap)
            self._send(8, 0, struct.pack("<II", 1, len(keymap)), fd)  # keymap(XKB_V1, fd, size)
        finally:
            os.close(fd)
        self._send(8, 2, struct.pack("<IIII", 0, 0, 0, 0))  # modifiers: none
        self._roundtrip(9)
        self.next_id = 10
        # Clients learn of the new keyboard through the seat: give them a moment to take it.
        time.sleep(0.5)

    def _send(self, target, opcode, payload, fd=None):
        message = struct.pack("<II", target, ((8 + len(payload)) << 16) | opcode) + payload
        if fd is None:
            self.sock.sendall(message)
        else:
            self.sock.sendmsg([message], [(socket.SOL_SOCKET, socket.SCM_RIGHTS, array.array("i", [fd]))])

    def _bind(self, name, interface, version, new_id):
        encoded = interface.encode() + b"\0"
        encoded += b"\0" * (-len(encoded) % 4)
        self._send(2, 0, struct.pack("<II", name, len(interface) + 1) + encoded + struct.pack("<II", version, new_id))

    def _roundtrip(self, callback_id):
        """wl_display.sync, then every event up to its done; the registry's globals are noted."""
        self._send(1, 0, struct.pack("<I", callback_id))
        deadline = time.time() + 20
        while time.time() < deadline:
            while len(self.buffer) >= 8:
                sender, word = struct.unpack_from("<II", self.buffer)
                size, opcode = word >> 16, word & 0xFFFF
                if len(self.buffer) < size:
                    break
                body, self.buffer = self.buffer[8:size], self.buffer[size:]
                if sender == 1 and opcode == 0:  # wl_display.error
                    length = struct.unpack_from("<I", body, 8)[0]
                    raise Failure("Wayland error: %s" % body[12:12 + length - 1].decode(errors="replace"))
                if sender == 2 and opcode == 0:  # wl_registry.global
                    name, length = struct.unpack_from("<II", body)
                    self.globals[body[8:8 + length - 1].decode()] = name
                if sender == callback_id:
                    return
            self.sock.settimeout(max(0.1, deadline - time.time()))
            data = self.sock.recv(65536)
            check(data, "the compositor closed the connection")
            self.buffer += data
        raise Failure("the compositor did not answer")

    def tap(self, code):
        stamp = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self._send(8, 1, struct.pack("<III", stamp, code, 1))  # key pressed
        self._roundtrip(self._new_id())
        time.sleep(0.06)
        self._send(8, 1, struct.pack("<III", stamp + 60, code, 0))  # key released
        self._roundtrip(self._new_id())

    def move(self, dx, dy):
        stamp = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self._send(7, 0, struct.pack("<Iii", stamp, int(dx * 256), int(dy * 256)))  # motion, fixed 24.8
        self._send(7, 4, b"")  # frame
        self._roundtrip(self._new_id())

    def place(self, x, y, width, height):
        stamp = int(time.monotonic() * 1000) & 0xFFFFFFFF
        self._send(7, 1, struct.pack("<IIIII", stamp, x, y, width, height))  # motion_absolute
        self._send(7, 4, b"")  # frame
        self._roundtrip(self._new_id())

    def _new_id(self):
        self.next_id += 1
        return self.next_id - 1

    def close(self):
        self.sock.close()
