#!/usr/bin/python3
"""Renders the dusk sky into the six faces of a cube map, as PPM files.

Usage: skybox.py OUTDIR [FACE_SIZE]
Writes OUTDIR/{right,left,top,bottom,front,back}.ppm for the faces +X, -X, +Y, -Y, +Z, -Z.

Every pixel is the sky function of the direction through that pixel, so the faces meet
without seams. Face orientation follows the OpenGL cube-map rules with row 0 of the file
uploaded first (t = 0): on +X, s runs towards -z and t towards -y, and so on (see FACES).

Render space: y up; the sun stands low over the horizon far along +z, so that side of the
sky is a warm sunset and the opposite side (-z, behind the start) a cool blue dusk.
"""

import os
import sys

import numpy as np

from texlib import Noise3, lerp, ramp, smoothstep, write_ppm

# direction of a face pixel from its face coordinates sc, tc in [-1, 1]
FACES = [
    ("right", lambda s, t: (np.ones_like(s), -t, -s)),    # +X
    ("left", lambda s, t: (-np.ones_like(s), -t, s)),     # -X
    ("top", lambda s, t: (s, np.ones_like(s), t)),        # +Y
    ("bottom", lambda s, t: (s, -np.ones_like(s), -t)),   # -Y
    ("front", lambda s, t: (s, -t, np.ones_like(s))),     # +Z
    ("back", lambda s, t: (-s, -t, -np.ones_like(s))),    # -Z
]

SUN_DIR = np.array([0.0, 0.05, 1.0]) / np.linalg.norm([0.0, 0.05, 1.0])

CLOUD_NOISE = Noise3(71)
BAND_NOISE = Noise3(72)
MIST_NOISE = Noise3(73)


def hash3(ix, iy, iz):
    """Integer hash of lattice cells to [0, 1), stable and vectorised (32-bit arithmetic)."""
    h = (ix.astype(np.int64) * 73856093) ^ (iy.astype(np.int64) * 19349663) ^ (iz.astype(np.int64) * 83492791)
    h &= 0xFFFFFFFF
    h = (h ^ (h >> 13)) * 1274126177 & 0xFFFFFFFF
    h ^= h >> 16
    return (h & 0xFFFFFF) / float(0x1000000)


def stars(x, y, z):
    """Faint stars: one candidate per cell of a lattice over direction space."""
    k = 260.0
    px, py, pz = x * k, y * k, z * k
    cx, cy, cz = np.floor(px), np.floor(py), np.floor(pz)
    pick = hash3(cx, cy, cz)
    jx = hash3(cx + 11, cy, cz)
    jy = hash3(cx, cy + 17, cz)
    jz = hash3(cx, cy, cz + 23)
    d2 = (px - cx - 0.25 - 0.5 * jx) ** 2 + (py - cy - 0.25 - 0.5 * jy) ** 2 + (pz - cz - 0.25 - 0.5 * jz) ** 2
    bright = np.where(pick > 0.985, (pick - 0.985) / 0.015, 0.0)
    return bright * np.exp(-d2 / 0.06)


def sky(x, y, z):
    """Colour (n, 3) of the sky for unit directions x, y, z (each (n,))."""
    horiz = np.sqrt(x * x + z * z) + 1e-9
    # 1 looking towards the sun's side (+z), 0 looking back (-z)
    warm = (0.5 + 0.5 * z / horiz) ** 1.3
    up = np.clip(y, 0.0, 1.0)
    e = up ** 0.55  # stretches the gradient near the horizon, where dusk colours sit

    warm_grad = ramp(e, [
        (0.00, (1.00, 0.58, 0.24)),
        (0.14, (0.96, 0.42, 0.22)),
        (0.30, (0.74, 0.29, 0.32)),
        (0.48, (0.44, 0.19, 0.40)),
        (0.70, (0.22, 0.12, 0.34)),
        (1.00, (0.07, 0.05, 0.20))])
    cool_grad = ramp(e, [
        (0.00, (0.46, 0.42, 0.60)),
        (0.12, (0.34, 0.31, 0.55)),
        (0.35, (0.20, 0.18, 0.44)),
        (0.65, (0.12, 0.10, 0.32)),
        (1.00, (0.07, 0.05, 0.20))])
    col = lerp(cool_grad, warm_grad, warm[:, None])

    # the low sun's glow: a tight bright core and a wide warm wash along the horizon
    cosang = np.clip(x * SUN_DIR[0] + y * SUN_DIR[1] + z * SUN_DIR[2], -1.0, 1.0)
    ang = np.arccos(cosang)
    glow = 0.55 * np.exp(-ang / 0.07) + 0.35 * np.exp(-ang / 0.3) + 0.12 * np.exp(-ang / 0.9)
    col += np.array([1.0, 0.62, 0.30]) * glow[:, None] * smoothstep(-0.25, 0.05, y)[:, None]
    col += np.array([0.9, 0.45, 0.2]) * (0.25 * warm * np.exp(-np.abs(y) / 0.06))[:, None]

    above = y > -0.02
    if np.any(above):
        xa, ya, za = x[above], np.maximum(y[above], 0.0), z[above]
        ca = col[above]
        wa = warm[above]
        ga = glow[above]

        # cloud deck: noise on a plane above the viewer, so clouds shrink towards the horizon
        inv = 1.0 / (ya + 0.09)
        u, v = xa * inv * 0.9, za * inv * 0.9
        dens = CLOUD_NOISE.fbm(u, v, np.full_like(u, 3.7), 6, 0.55)
        cover = smoothstep(0.02, 0.38, dens + 0.08)
        # density a little way towards the sun: where it is thinner, the cloud edge is lit
        dens_sun = CLOUD_NOISE.fbm(u, v + 0.35, np.full_like(u, 3.7), 4, 0.55)
        lit = np.clip(0.5 + 2.2 * (dens - dens_sun), 0.0, 1.0)
        fade = smoothstep(0.01, 0.12, ya) * (1.0 - 0.35 * smoothstep(0.5, 1.0, ya))
        alpha = 0.88 * cover * fade

        shadow_col = lerp(np.array([0.16, 0.14, 0.30]), np.array([0.30, 0.14, 0.22]), wa[:, None])
        lit_col = lerp(np.array([0.55, 0.45, 0.70]), np.array([1.0, 0.55, 0.32]), wa[:, None])
        lit_col = lit_col * (0.7 + 0.8 * np.clip(ga, 0.0, 1.0))[:, None]
        cloud_col = lerp(shadow_col, lit_col, (lit * (0.35 + 0.65 * wa))[:, None])
        ca = lerp(ca, cloud_col, alpha[:, None])

        # thin stratus streaks just above the horizon, glowing on the sun's side
        band = BAND_NOISE.fbm(xa * 3.0, ya * 60.0, za * 3.0, 4, 0.5)
        band_a = smoothstep(0.05, 0.35, band) * smoothstep(0.005, 0.03, ya) * smoothstep(0.16, 0.05, ya) * 0.6
        band_col = lerp(np.array([0.36, 0.30, 0.50]), np.array([1.0, 0.50, 0.26]), wa[:, None])
        ca = lerp(ca, band_col, band_a[:, None])

        star = stars(xa, ya, za) * smoothstep(0.25, 0.6, ya) * (1.0 - 0.8 * wa) * (1.0 - alpha)
        ca += np.array([0.9, 0.9, 1.0]) * (0.8 * star)[:, None]

        # blend the deck in across the slim band just below the horizon line
        blend = smoothstep(-0.02, 0.0, y[above])[:, None]
        col[above] = lerp(col[above], ca, blend)

    below = y < 0.0
    if np.any(below):
        yb = -y[below]
        xb, zb = x[below], z[below]
        # haze: the horizon colour thins out into a dark violet abyss
        mist = MIST_NOISE.fbm(xb * 2.5, yb * 6.0, zb * 2.5, 4, 0.5)
        haze = np.exp(-yb / (0.11 + 0.04 * mist))
        abyss = lerp(np.array([0.025, 0.02, 0.05]), np.array([0.07, 0.04, 0.08]), warm[below][:, None])
        abyss = abyss * (1.0 + 0.35 * mist)[:, None]
        col[below] = lerp(abyss, col[below] * 0.85, haze[:, None])
    return np.clip(col, 0.0, 1.0)


def render_face(which, size, rng):
    name, to_dir = FACES[which]
    c = 2.0 * (np.arange(size) + 0.5) / size - 1.0
    t, s = np.meshgrid(c, c, indexing="ij")  # row index gives t, column index gives s
    x, y, z = to_dir(s, t)
    inv = 1.0 / np.sqrt(x * x + y * y + z * z)
    x, y, z = (x * inv).ravel(), (y * inv).ravel(), (z * inv).ravel()
    col = sky(x, y, z).reshape(size, size, 3)
    # half-a-step dither keeps the 8-bit gradients from banding
    col += rng.uniform(-0.5, 0.5, col.shape) / 255.0
    return name, col


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write("usage: skybox.py OUTDIR [FACE_SIZE]\n")
        return 2
    out = argv[1]
    size = int(argv[2]) if len(argv) == 3 else 1024
    os.makedirs(out, exist_ok=True)
    rng = np.random.RandomState(1234)
    for i in range(6):
        name, col = render_face(i, size, rng)
        write_ppm(os.path.join(out, name + ".ppm"), col)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
