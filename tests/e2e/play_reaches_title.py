"""The second half of .ci/play-reaches-title: given the pid of the game that `scripts/play`
started under xvfb-run, reads the X server xvfb-run chose from the game's environment, waits for
the title screen in the game's window and quits with Escape; the game must then end.

    python3 tests/e2e/play_reaches_title.py PID"""

import os
import subprocess
import sys
import time

from harness import Failure, Image, check
from screens_support import TITLE_CLEAR, Reference, shows


def x_environment(pid):
    with open("/proc/%d/environ" % pid, "rb") as f:
        pairs = [item.split(b"=", 1) for item in f.read().split(b"\0") if b"=" in item]
    found = {k.decode(): v.decode() for k, v in pairs if k in (b"DISPLAY", b"XAUTHORITY")}
    check("DISPLAY" in found, "the game runs without a DISPLAY")
    return {**os.environ, **found}


def main():
    pid = int(sys.argv[1])

    def running():
        return os.path.exists("/proc/%d" % pid)

    xenv = x_environment(pid)
    window = None
    deadline = time.time() + 120
    while window is None:
        check(running(), "the game ended before its window appeared")
        check(time.time() < deadline, "no window titled QUARVELLINE")
        found = subprocess.run(["xdotool", "search", "--name", "^QUARVELLINE$"], env=xenv,
                               capture_output=True, text=True).stdout.split()
        window = found[0] if found else None
        time.sleep(0.5)
    geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window], env=xenv,
                              capture_output=True, text=True, check=True).stdout
    size = dict(line.split("=", 1) for line in geometry.split())
    width, height = int(size["WIDTH"]), int(size["HEIGHT"])
    title = shows(Reference("title.dds", width, height), TITLE_CLEAR)

    deadline = time.time() + 180
    while True:
        check(running(), "the game ended before the title screen")
        data = subprocess.run(["import", "-display", xenv["DISPLAY"], "-window", window, "-depth", "8",
                               "ppm:-"], env=xenv, capture_output=True, timeout=60).stdout
        if data and title(Image.from_ppm(data)):
            break
        check(time.time() < deadline, "the title screen did not show in the %dx%d window" % (width, height))
        time.sleep(0.5)
    print("play_reaches_title: the title screen shows in the %dx%d window" % (width, height), flush=True)

    subprocess.run(["xdotool", "key", "--delay", "60", "Escape"], env=xenv, check=True, timeout=20)
    deadline = time.time() + 60
    while running():
        check(time.time() < deadline, "the game did not end within 60 s of Escape")
        time.sleep(0.2)


if __name__ == "__main__":
    try:
        main()
    except Failure as failure:
        print("FAILED: %s" % failure)
        sys.exit(1)
    print("PASSED")
