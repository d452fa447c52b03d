"""Shared helpers for the texture generators: tileable noise, colour ramps, image writers.

Every generator draws its randomness from a numpy RandomState with a fixed seed, whose
stream is stable across numpy versions, so the output is the same on every run.
Images are float arrays in [0, 1], shaped (height, width, channels), row 0 at the top.
"""

import numpy as np


# ---------------------------------------------------------------- writers

def _to_bytes(img):
    return (np.clip(img, 0.0, 1.0) * 255.0 + 0.5).astype(np.uint8)


def write_ppm(path, rgb):
    """Binary PPM (P6), 3 channels."""
    data = _to_bytes(rgb[..., :3])
    h, w = data.shape[:2]
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        f.write(data.tobytes())


def write_pam(path, rgba):
    """Binary PAM (P7) with an alpha channel; ImageMagick reads it."""
    data = _to_bytes(rgba)
    h, w = data.shape[:2]
    with open(path, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (w, h))
        f.write(data.tobytes())


def opaque(rgb):
    return np.concatenate([rgb, np.ones(rgb.shape[:2] + (1,))], axis=2)


# ---------------------------------------------------------------- small maths

def smooth(t):
    """Quintic fade: C2-continuous, so lattice noise shows no creases."""
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0)


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def lerp(a, b, t):
    return a + (b - a) * t


def ramp(t, stops):
    """Colour ramp: stops is a list of (position, (r, g, b)) with positions rising from 0 to 1."""
    t = np.clip(t, 0.0, 1.0)
    pos = np.array([s[0] for s in stops])
    cols = np.array([s[1] for s in stops], dtype=float)
    out = np.empty(t.shape + (3,))
    for c in range(3):
        out[..., c] = np.interp(t, pos, cols[:, c])
    return out


def grid(n):
    """Pixel-centre coordinates in [0, 1): (y, x), each (n, n)."""
    c = (np.arange(n) + 0.5) / n
    return np.meshgrid(c, c, indexing="ij")


# ---------------------------------------------------------------- tileable 2-D noise

def perlin_tile(rng, n, period, warp=None):
    """Gradient noise on an n x n image that repeats exactly across the image edges.

    period: lattice cells across the image (integer). warp: optional (dy, dx) offsets in
    image units (fractions of the image), themselves tileable, for domain warping.
    Returns values roughly in [-1, 1].
    """
    ang = rng.uniform(0.0, 2.0 * np.pi, (period, period))
    gx, gy = np.cos(ang), np.sin(ang)
    y, x = grid(n)
    if warp is not None:
        y = y + warp[0]
        x = x + warp[1]
    u = (x * period) % period
    v = (y * period) % period
    x0 = np.floor(u).astype(int)
    y0 = np.floor(v).astype(int)
    fx = u - x0
    fy = v - y0
    x1 = (x0 + 1) % period
    y1 = (y0 + 1) % period
    x0 %= period
    y0 %= period

    def dot(ix, iy, dx, dy):
        return gx[iy, ix] * dx + gy[iy, ix] * dy

    n00 = dot(x0, y0, fx, fy)
    n10 = dot(x1, y0, fx - 1.0, fy)
    n01 = dot(x0, y1, fx, fy - 1.0)
    n11 = dot(x1, y1, fx - 1.0, fy - 1.0)
    sx, sy = smooth(fx), smooth(fy)
    return lerp(lerp(n00, n10, sx), lerp(n01, n11, sx), sy) * 1.41421356


def fbm_tile(rng, n, base, octaves, gain=0.5, warp=None):
    """Fractal sum of tileable gradient noise, normalised to about [-1, 1]."""
    total = np.zeros((n, n))
    amp, norm, period = 1.0, 0.0, base
    for _ in range(octaves):
        total += amp * perlin_tile(rng, n, period, warp)
        norm += amp
        amp *= gain
        period *= 2
    return total / norm


def warp_field(rng, n, base, strength):
    """Tileable (dy, dx) offsets for domain warping, in image units."""
    return (fbm_tile(rng, n, base, 3) * strength, fbm_tile(rng, n, base, 3) * strength)


def worley_tile(rng, n, cells, jitter=0.9):
    """Tileable cellular noise: one jittered feature point per cell of a cells x cells grid.

    Returns (f1, f2, cell_id) where f1/f2 are the nearest and second-nearest distances in
    cell units and cell_id indexes the nearest point (0 .. cells*cells - 1).
    """
    off = 0.5 + (rng.uniform(-0.5, 0.5, (cells, cells, 2)) * jitter)
    y, x = grid(n)
    u, v = x * cells, y * cells
    cx = np.floor(u).astype(int)
    cy = np.floor(v).astype(int)
    f1 = np.full((n, n), 1e9)
    f2 = np.full((n, n), 1e9)
    ident = np.zeros((n, n), dtype=int)
    for oy in (-1, 0, 1):
        for ox in (-1, 0, 1):
            ncx = cx + ox
            ncy = cy + oy
            wx = ncx % cells
            wy = ncy % cells
            px = ncx + off[wy, wx, 0]
            py = ncy + off[wy, wx, 1]
            d = np.hypot(px - u, py - v)
            closer = d < f1
            f2 = np.where(closer, f1, np.minimum(f2, d))
            ident = np.where(closer, wy * cells + wx, ident)
            f1 = np.where(closer, d, f1)
    return f1, f2, ident


def blur_tile(a, radius):
    """Separable box blur (three passes, close to a Gaussian) that wraps around the edges."""
    out = a.astype(float)
    for _ in range(3):
        for axis in (0, 1):
            acc = np.zeros_like(out)
            for k in range(-radius, radius + 1):
                acc += np.roll(out, k, axis=axis)
            out = acc / (2 * radius + 1)
    return out


def shade_from_height(h, strength, light=(-0.6, -0.6, 0.55)):
    """Lambert shading of a tileable height map under a light from the upper left,
    returned as a multiplier around 1 (flat ground gives exactly 1)."""
    dx = (np.roll(h, -1, axis=1) - np.roll(h, 1, axis=1)) * 0.5 * strength
    dy = (np.roll(h, -1, axis=0) - np.roll(h, 1, axis=0)) * 0.5 * strength
    nx, ny, nz = -dx, -dy, np.ones_like(h)
    inv = 1.0 / np.sqrt(nx * nx + ny * ny + nz * nz)
    lx, ly, lz = light
    ll = np.sqrt(lx * lx + ly * ly + lz * lz)
    lx, ly, lz = lx / ll, ly / ll, lz / ll
    lam = (nx * lx + ny * ly + nz * lz) * inv
    return np.clip(lam / lz, 0.0, None)


# ---------------------------------------------------------------- 3-D noise (for directions)

class Noise3:
    """Gradient noise over 3-D space from a fixed permutation; used for the sky, where the
    pattern is a function of the view direction so cube faces meet without seams."""

    GRADS = np.array([
        (1, 1, 0), (-1, 1, 0), (1, -1, 0), (-1, -1, 0),
        (1, 0, 1), (-1, 0, 1), (1, 0, -1), (-1, 0, -1),
        (0, 1, 1), (0, -1, 1), (0, 1, -1), (0, -1, -1),
        (1, 1, 0), (-1, 1, 0), (0, -1, 1), (0, -1, -1)], dtype=float)

    def __init__(self, seed):
        rng = np.random.RandomState(seed)
        p = rng.permutation(256)
        self.perm = np.concatenate([p, p])

    def __call__(self, x, y, z):
        perm = self.perm
        xi0 = np.floor(x).astype(int)
        yi0 = np.floor(y).astype(int)
        zi0 = np.floor(z).astype(int)
        fx, fy, fz = x - xi0, y - yi0, z - zi0
        xi, yi, zi = xi0 & 255, yi0 & 255, zi0 & 255
        u, v, w = smooth(fx), smooth(fy), smooth(fz)

        def g(ix, iy, iz, dx, dy, dz):
            h = perm[perm[perm[ix] + iy] + iz] & 15
            gr = self.GRADS[h]
            return gr[..., 0] * dx + gr[..., 1] * dy + gr[..., 2] * dz

        xj, yj, zj = (xi + 1) & 255, (yi + 1) & 255, (zi + 1) & 255
        n000 = g(xi, yi, zi, fx, fy, fz)
        n100 = g(xj, yi, zi, fx - 1, fy, fz)
        n010 = g(xi, yj, zi, fx, fy - 1, fz)
        n110 = g(xj, yj, zi, fx - 1, fy - 1, fz)
        n001 = g(xi, yi, zj, fx, fy, fz - 1)
        n101 = g(xj, yi, zj, fx - 1, fy, fz - 1)
        n011 = g(xi, yj, zj, fx, fy - 1, fz - 1)
        n111 = g(xj, yj, zj, fx - 1, fy - 1, fz - 1)
        x00 = lerp(n000, n100, u)
        x10 = lerp(n010, n110, u)
        x01 = lerp(n001, n101, u)
        x11 = lerp(n011, n111, u)
        return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w)

    def fbm(self, x, y, z, octaves, gain=0.5, lacunarity=2.03):
        total = np.zeros_like(x)
        amp, norm, f = 1.0, 0.0, 1.0
        for i in range(octaves):
            # offset each octave so lattice points of different octaves do not line up
            total += amp * self(x * f + 17.3 * i, y * f + 5.1 * i, z * f - 9.7 * i)
            norm += amp
            amp *= gain
            f *= lacunarity
        return total / norm
