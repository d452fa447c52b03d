"""Picture checks shared by the gameplay scenarios: the loading screen, the game frame at the
start of a run, the full-screen images as they lie over the frame, and the console's error lines.

The game runs slowly under software rendering and advances at most one fixed step per rendered
frame, so every check waits for what the screen shows, never for a fixed time alone."""

from harness import check
from screens_support import LOADING_CLEAR, Reference, orange_pixels, shows, time_line_box

WIDTH, HEIGHT = 640, 360

# A long limit, so that a slow machine never reaches the time-out end screen by accident.
SETTINGS = {"game": {"timeLimit": "900"}, "debug": {"skipIntro": "true"}}

# The band of sky above the level, the platform in front of the player (the thief stands in
# its middle), and two strips beside it that show the platform's tiles and edges but none of
# the HUD, the pause panel or the mute icon.
SKY_BAND = (0, 0, WIDTH, HEIGHT // 6)
PLATFORM = (WIDTH // 4, HEIGHT * 5 // 9, WIDTH * 3 // 4, HEIGHT * 5 // 6)
SIDE_STRIPS = [(0, HEIGHT * 5 // 12, WIDTH // 5, HEIGHT * 5 // 6),
               (WIDTH * 4 // 5, HEIGHT * 5 // 12, WIDTH, HEIGHT * 5 // 6)]
# Where "FPS: " and the count stand (upper left, half-size text).
FPS_BOX = (0, 0, WIDTH // 6, HEIGHT // 12)


def loading_reference():
    return Reference("loading.dds", WIDTH, HEIGHT)


def loading_screen(loading):
    """The loading image over its clear colour, at least half faded in."""
    return shows(loading, LOADING_CLEAR, min_alpha=0.5)


def mean_color(shot, box):
    return shot.region_mean(*box)


def warm_sky(shot):
    """The evening sky of the start, with no loading picture left over it (the loading image
    is dark blue there)."""
    r, _, b = mean_color(shot, SKY_BAND)
    return r >= 140 and r - b >= 70


def start_frame(shot):
    """The game frame at the start of a run: the warm sky, the platform below it looking
    nothing like the sky, and the orange time-left line in the lower left."""
    sky = mean_color(shot, SKY_BAND)
    ground = mean_color(shot, PLATFORM)
    return (warm_sky(shot) and sum(abs(sky[k] - ground[k]) for k in range(3)) >= 60
            and len(orange_pixels(shot, time_line_box(WIDTH, HEIGHT))) >= 200)


class Stamp:
    """A full-screen image drawn at full alpha over the frame. It is recognised where it is
    mostly opaque and locally even (away from its edges and letters, where resampling differs
    between the game's mipmaps and the reference's resize): there the screen shows the image
    blended over the picture beneath it."""

    def __init__(self, name, min_coverage=0.85, step=2, reach=2, evenness=10):
        self.reference = Reference(name, WIDTH, HEIGHT)
        self.mask = []
        for y in range(reach, HEIGHT - reach, step):
            for x in range(reach, WIDTH - reach, step):
                t = self.reference.texel(x, y)
                if t[3] < min_coverage * 255:
                    continue
                neighbours = [self.reference.texel(x + dx, y + dy)
                              for dx, dy in ((reach, 0), (-reach, 0), (0, reach), (0, -reach))]
                if all(abs(n[k] - t[k]) <= evenness for n in neighbours for k in range(4)):
                    self.mask.append((x, y, t[0], t[1], t[2], t[3] / 255.0))
        check(len(self.mask) >= 40, "%s has too few even, opaque pixels to recognise it" % name)
        xs = [m[0] for m in self.mask]
        ys = [m[1] for m in self.mask]
        self.box = (min(xs), min(ys), max(xs) + 1, max(ys) + 1)

    def error(self, shot, beneath):
        """Mean per-channel difference between the screen and the image blended over the
        picture beneath it (a screenshot of the same place without the image)."""
        total = 0.0
        for x, y, r, g, b, a in self.mask:
            p = shot.pixel(x, y)
            q = beneath.pixel(x, y)
            total += (abs(p[0] - (r * a + q[0] * (1 - a))) + abs(p[1] - (g * a + q[1] * (1 - a)))
                      + abs(p[2] - (b * a + q[2] * (1 - a))))
        return total / (3 * len(self.mask))

    def shown(self, beneath, max_error=10.0):
        return lambda shot: self.error(shot, beneath) <= max_error

    def absent(self, beneath, min_error=25.0):
        return lambda shot: self.error(shot, beneath) >= min_error


def console_errors(game):
    """Lines the game prints only when something went wrong."""
    return [l for l in game.lines
            if l.startswith("OpenGL Error") or l.startswith("GLFW error") or l.startswith("ERROR")
            or "Failed" in l or "Could not" in l]


class FallEndPicture:
    """The fell end screen: the red image and then the failed image, both at full alpha, over
    the black clear colour; nothing of the game shows through."""

    def __init__(self, step=3):
        red = Reference("red.dds", WIDTH, HEIGHT)
        failed = Reference("failed.dds", WIDTH, HEIGHT)
        self.expected = []
        for y in range(0, HEIGHT, step):
            for x in range(0, WIDTH, step):
                r = red.texel(x, y)
                f = failed.texel(x, y)
                ra = r[3] / 255.0
                fa = f[3] / 255.0
                color = tuple(f[k] * fa + r[k] * ra * (1.0 - fa) for k in range(3))
                self.expected.append((x, y, color))

    def error(self, shot):
        total = 0.0
        for x, y, color in self.expected:
            p = shot.pixel(x, y)
            total += abs(p[0] - color[0]) + abs(p[1] - color[1]) + abs(p[2] - color[2])
        return total / (3 * len(self.expected))


def red_tinted(shot):
    """The red fall overlay over the frame (or the end screen it leads to): red dominates the
    whole picture, which the evening sky alone never does."""
    r, g, b = shot.region_mean(0, 0, WIDTH, HEIGHT)
    return r >= 2.0 * g + 10 and r >= 2.0 * b + 10


class Steps:
    """Prints each reached step with the seconds since the scenario began, so a slow or failing
    run shows how far it got and where the time went."""

    def __init__(self):
        import time
        self._time = time.time
        self.start = time.time()

    def __call__(self, text):
        print("[%6.1f s] %s" % (self._time() - self.start, text), flush=True)


def wait_for_settled_start_frame(game, timeout=240, what="the game frame on the start platform"):
    """The start frame once the loading picture has faded out of it completely: two pictures in
    a row whose sky is the same (while the loading picture fades, the sky keeps changing)."""
    previous = []

    def settled(shot):
        if not start_frame(shot):
            previous.clear()
            return False
        steady = bool(previous) and shot.mean_abs_diff(previous[-1], *SKY_BAND) < 1.0
        previous[:] = [shot]
        return steady

    return game.wait_for_screen(settled, timeout=timeout, what=what + " (settled)")
