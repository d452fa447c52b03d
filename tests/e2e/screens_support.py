"""Picture checks for the screen scenarios: the game's full-screen images decoded by ImageMagick
as references, their fit to a screenshot, and the HUD's time-left line."""

import os
import subprocess

from harness import REPO, check

IMAGES = os.path.join(REPO, "assets", "images")

# Clear colours of the screens, 0..255.
LOADING_CLEAR = (0.149 * 255, 0.333 * 255, 0.459 * 255)
TITLE_CLEAR = (0.0, 0.0, 0.0)
TIMEOUT_CLEAR = (0.678 * 255, 0.071 * 255, 0.0)

# The HUD's text colour far from the world origin (where the run starts).
ORANGE = (0.785 * 255, 0.45 * 255, 0.256 * 255)

STEP = 3  # every third pixel on both axes is plenty for these comparisons


class Reference:
    """One image file as the game shows it over the whole window: upright, stretched to the
    window, straight RGBA."""

    def __init__(self, name, width, height):
        path = os.path.join(IMAGES, name)
        check(os.path.exists(path), "missing image %s" % path)
        # The files store their picture bottom row first; -flip stands it upright.
        self.rgba = subprocess.run(
            ["convert", path, "-flip", "-resize", "%dx%d!" % (width, height), "-depth", "8", "rgba:-"],
            capture_output=True, check=True, timeout=60).stdout
        check(len(self.rgba) == width * height * 4, "could not decode %s" % path)
        self.width = width
        self.height = height

    def texel(self, x, y):
        i = (y * self.width + x) * 4
        return self.rgba[i:i + 4]

    def fit(self, shot, clear, region=None):
        """The image's global alpha a that best explains the screenshot as the image blended
        over the clear colour, and the mean per-channel error left at that a."""
        check(shot.width == self.width and shot.height == self.height,
              "screenshot %dx%d, expected %dx%d" % (shot.width, shot.height, self.width, self.height))
        x0, y0, x1, y1 = region or (0, 0, self.width, self.height)
        samples = []
        num = den = 0.0
        for y in range(y0, y1, STEP):
            for x in range(x0, x1, STEP):
                t = self.texel(x, y)
                s = shot.pixel(x, y)
                coverage = t[3] / 255.0
                d = [coverage * (t[k] - clear[k]) for k in range(3)]
                e = [s[k] - clear[k] for k in range(3)]
                num += sum(d[k] * e[k] for k in range(3))
                den += sum(d[k] * d[k] for k in range(3))
                samples.append((d, e))
        a = num / den if den > 0 else 0.0
        error = sum(abs(e[k] - a * d[k]) for d, e in samples for k in range(3)) / (3 * len(samples))
        return a, error

    def transparent_pixels(self, step=7):
        return [(x, y) for y in range(0, self.height, step) for x in range(0, self.width, step)
                if self.texel(x, y)[3] == 0]


def shows(reference, clear, min_alpha=0.9, max_error=14.0):
    """Predicate: the reference image is on screen over the clear colour at least this opaque."""
    def predicate(shot):
        a, error = reference.fit(shot, clear)
        return a >= min_alpha and error <= max_error
    return predicate


def time_line_box(width, height):
    """Where "time  left    mm:ss" lies at scale 1, in screenshot rows (top down), with room
    for the glyphs' height and the minutes' width."""
    baseline = height - int(round(height / 15.5))
    x0 = width // 17
    return (x0, max(0, baseline - 26), min(width, x0 + 300), min(height, baseline + 8))


def orange_pixels(shot, box, tolerance=22):
    x0, y0, x1, y1 = box
    found = set()
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = shot.pixel(x, y)
            if all(abs(p[k] - ORANGE[k]) <= tolerance for k in range(3)):
                found.add((x, y))
    return found
