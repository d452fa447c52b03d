"""A tiny RGB image canvas and a PNG encoder (standard library only)."""

import math
import random
import struct
import zlib


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


def mix(a, b, t):
    """Blend two RGB colours (0-255 floats) by t in [0, 1]."""
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def scale(c, s):
    return (c[0] * s, c[1] * s, c[2] * s)


class ValueNoise:
    """Smooth, tileable 2-D value noise on a period x period lattice.

    Tileable so that textures wrapped around a cylinder show no seam."""

    def __init__(self, seed, period=8):
        rng = random.Random(seed)
        self.period = period
        self.grid = [[rng.random() for _ in range(period)] for _ in range(period)]

    def __call__(self, u, v):
        p = self.period
        x = (u % 1.0) * p
        y = (v % 1.0) * p
        x0 = int(x) % p
        y0 = int(y) % p
        x1 = (x0 + 1) % p
        y1 = (y0 + 1) % p
        fx = x - int(x)
        fy = y - int(y)
        fx = fx * fx * (3 - 2 * fx)
        fy = fy * fy * (3 - 2 * fy)
        g = self.grid
        a = g[y0][x0] + (g[y0][x1] - g[y0][x0]) * fx
        b = g[y1][x0] + (g[y1][x1] - g[y1][x0]) * fx
        return a + (b - a) * fy

    def fbm(self, u, v, octaves=3):
        total = 0.0
        amp = 0.5
        freq = 1
        norm = 0.0
        for _ in range(octaves):
            total += amp * self(u * freq, v * freq)
            norm += amp
            amp *= 0.5
            freq *= 2
        return total / norm


class Canvas:
    """RGB image; pixel (0, 0) is the top-left corner, as stored in the PNG."""

    def __init__(self, width, height, colour=(0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[tuple(colour) for _ in range(width)] for _ in range(height)]
        # pixels inside some region: the border padding of a neighbour never overwrites them
        self.owned = [[False] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def get(self, x, y):
        return self.pixels[y][x]

    def paint_region(self, rect, shader, pad=3):
        """Fill an atlas region by calling shader(u, v) -> RGB for every pixel.

        (u, v) runs over [0, 1] across the region with v = 1 at its top edge, the
        convention of the texture coordinates written for it (Rect.map). The
        pixels of a small border around the region repeat its edge values so
        that mipmapped sampling does not bleed neighbouring regions in."""
        x0, y0, x1, y1 = rect.x0, rect.y0, rect.x1, rect.y1
        w = x1 - x0
        h = y1 - y0
        for py in range(max(0, y0 - pad), min(self.height, y1 + pad)):
            v = 1.0 - clamp((py + 0.5 - y0) / h)
            row = self.pixels[py]
            owned = self.owned[py]
            inside_y = y0 <= py < y1
            for px in range(max(0, x0 - pad), min(self.width, x1 + pad)):
                inside = inside_y and x0 <= px < x1
                if not inside and owned[px]:
                    continue
                if inside:
                    owned[px] = True
                u = clamp((px + 0.5 - x0) / w)
                c = shader(u, v)
                row[px] = (int(clamp(c[0], 0, 255) + 0.5), int(clamp(c[1], 0, 255) + 0.5),
                           int(clamp(c[2], 0, 255) + 0.5))

    def encode_png(self):
        raw = bytearray()
        for row in self.pixels:
            raw.append(0)  # filter type None
            for (r, g, b) in row:
                raw += bytes((r, g, b))

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))

    def save(self, path):
        with open(path, "wb") as f:
            f.write(self.encode_png())


class Rect:
    """A region of a texture atlas in pixels (top-left origin, x1/y1 exclusive)."""

    def __init__(self, x0, y0, x1, y1, size=256, inset=1.0):
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.size = size
        self.inset = inset

    def map(self, u, v):
        """Texture coordinate (s, t) of region point (u, v), in the file convention
        t = 0 at the bottom of the image (the importer flips it for OpenGL)."""
        w = self.x1 - self.x0 - 2 * self.inset
        h = self.y1 - self.y0 - 2 * self.inset
        px = self.x0 + self.inset + clamp(u) * w
        py = self.y0 + self.inset + (1.0 - clamp(v)) * h
        return (px / self.size, 1.0 - py / self.size)

    def sub(self, u0, v0, u1, v1):
        """A mapper onto part of this region: (u, v) in [0,1]^2 -> (u0..u1, v0..v1)."""
        return lambda u, v: self.map(u0 + (u1 - u0) * u, v0 + (v1 - v0) * v)


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def disc(u, v, cu, cv, r, aspect=1.0):
    """Distance-based soft disc mask (1 inside, 0 outside)."""
    d = math.hypot((u - cu) * aspect, v - cv)
    return 1.0 - smoothstep(r * 0.85, r, d)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    t = 0.0 if l2 == 0 else clamp(((px - ax) * dx + (py - ay) * dy) / l2)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))
