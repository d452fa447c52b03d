#!/usr/bin/python3
"""Draws the particle sprite and the nine lens-flare sprites as PAM files (RGBA).

Usage: sprites.py OUTDIR
Writes OUTDIR/particle.pam and OUTDIR/tex1.pam .. tex9.pam.

Sprites are blended with (src alpha, 1 - src alpha), so the colour channels hold the
sprite's light colour at full strength everywhere and the alpha channel alone carries
the shape; that keeps the generated mip levels free of dark fringes. Alpha falls to zero
well inside the quad's border so no square edge ever shows.
"""

import os
import sys

import numpy as np

from texlib import grid, lerp, smoothstep, write_pam


def polar(n):
    """Radius (1.0 at the middle of each edge) and angle of every pixel about the centre."""
    y, x = grid(n)
    dx, dy = (x - 0.5) * 2.0, (y - 0.5) * 2.0
    return np.hypot(dx, dy), np.arctan2(dy, dx), dx, dy


def border_fade(r):
    return smoothstep(0.98, 0.86, r)


def sprite(rgb, alpha):
    """rgb: a colour triple or an (n, n, 3) array; alpha: (n, n)."""
    n = alpha.shape[0]
    col = np.broadcast_to(np.asarray(rgb, dtype=float), (n, n, 3))
    return np.concatenate([col, np.clip(alpha, 0.0, 1.0)[..., None]], axis=2)


def gauss(x, sigma):
    return np.exp(-0.5 * (x / sigma) ** 2)


def hexagon(dx, dy, apothem, rotation=0.0):
    """Signed distance (in the same units as dx, dy) to a regular hexagon's border."""
    d = np.zeros_like(dx)
    for k in range(3):
        a = rotation + k * np.pi / 3.0
        d = np.maximum(d, np.abs(dx * np.cos(a) + dy * np.sin(a)))
    return d - apothem


def particle(n=64):
    """Soft round glow: white, alpha falling smoothly from the centre to nothing at the rim."""
    r, _, _, _ = polar(n)
    t = np.clip(1.0 - r, 0.0, 1.0)
    alpha = 0.55 * t ** 2 + 0.45 * gauss(r, 0.28)
    return sprite((1.0, 1.0, 1.0), alpha * border_fade(r))


def tex1(n=128):
    """Small bright disc with a soft edge and a faint surrounding glow (cool white)."""
    r, _, _, _ = polar(n)
    alpha = 0.85 * smoothstep(0.42, 0.30, r) + 0.25 * gauss(r, 0.35)
    return sprite((0.86, 0.93, 1.0), alpha * border_fade(r))


def tex2(n=128):
    """Thin ring with a faint veil inside (warm white)."""
    r, _, _, _ = polar(n)
    alpha = 0.75 * gauss(r - 0.72, 0.045) + 0.08 * smoothstep(0.74, 0.6, r)
    return sprite((1.0, 0.9, 0.74), alpha * border_fade(r))


def tex3(n=128):
    """Hexagonal aperture ghost: faint pale-green fill, brighter soft rim."""
    _, _, dx, dy = polar(n)
    d = hexagon(dx, dy, 0.62, np.pi / 6.0)
    fill = 0.28 * smoothstep(0.02, -0.04, d)
    rim = 0.45 * gauss(d, 0.035)
    r = np.hypot(dx, dy)
    return sprite((0.76, 1.0, 0.86), (fill + rim) * border_fade(r))


def tex4(n=256):
    """Soft warm glow (also drawn large, around the screen's middle)."""
    r, _, _, _ = polar(n)
    alpha = 0.8 * gauss(r, 0.22) + 0.35 * gauss(r, 0.45)
    return sprite((1.0, 0.9, 0.74), alpha * border_fade(r))


def tex5(n=128):
    """Disc ghost whose rim splits into colours: red outside, blue inside."""
    r, _, _, _ = polar(n)
    edge = 0.7
    red = gauss(r - (edge + 0.05), 0.05)
    grn = gauss(r - edge, 0.05)
    blu = gauss(r - (edge - 0.05), 0.05)
    rim = np.stack([red, grn, blu], axis=-1)
    rim_strength = rim.max(axis=-1)
    base = np.array([0.9, 0.92, 1.0])
    col = lerp(base, 0.45 + 0.55 * rim / np.maximum(rim_strength, 1e-6)[..., None],
               np.clip(rim_strength * 1.5, 0.0, 1.0)[..., None])
    alpha = 0.22 * smoothstep(edge + 0.04, edge - 0.04, r) + 0.45 * rim_strength
    return sprite(col, alpha * border_fade(r))


def tex6(n=256):
    """Starburst for the sun itself: a white-hot core, a glow, six long spikes and a fan of
    fine rays of random length."""
    rng = np.random.RandomState(606)
    r, ang, _, _ = polar(n)
    core = smoothstep(0.09, 0.03, r)
    glow = 0.8 * gauss(r, 0.12) + 0.35 * gauss(r, 0.3)

    def ray(angle, width, length):
        dang = np.angle(np.exp(1j * (ang - angle)))  # wrapped to [-pi, pi]
        across = np.abs(dang) * np.maximum(r, 0.02)   # distance from the ray's line
        return gauss(across, width) * np.exp(-r / length)

    rays = np.zeros_like(r)
    base = rng.uniform(0.0, np.pi / 3.0)
    for k in range(6):
        rays += 0.9 * ray(base + k * np.pi / 3.0, 0.012, 0.45)
    for _ in range(36):
        rays += rng.uniform(0.15, 0.45) * ray(rng.uniform(0.0, 2.0 * np.pi), rng.uniform(0.004, 0.01),
                                            rng.uniform(0.12, 0.35))
    alpha = np.clip(core + glow + rays, 0.0, 1.0)
    col = lerp(np.array([1.0, 0.86, 0.62]), np.array([1.0, 1.0, 0.96]),
               np.clip(core + 0.6 * glow, 0.0, 1.0)[..., None])
    return sprite(col, alpha * border_fade(r))


def tex7(n=128):
    """Small four-pointed sparkle with a bright dot."""
    r, _, dx, dy = polar(n)
    arms = gauss(dx, 0.03) * np.exp(-np.abs(dy) / 0.25) + gauss(dy, 0.03) * np.exp(-np.abs(dx) / 0.25)
    alpha = smoothstep(0.16, 0.06, r) + 0.7 * arms + 0.3 * gauss(r, 0.18)
    return sprite((1.0, 0.88, 0.72), alpha * border_fade(r))


def tex8(n=256):
    """Large faint halo ring with a rainbow edge: violet inside through green to red outside."""
    r, _, _, _ = polar(n)
    centre, width = 0.78, 0.07
    t = np.clip((r - (centre - 2.0 * width)) / (4.0 * width), 0.0, 1.0)  # 0 inside .. 1 outside
    hue = np.stack([
        smoothstep(0.35, 0.8, t) + 0.4 * smoothstep(0.15, 0.0, t),
        gauss(t - 0.5, 0.22),
        smoothstep(0.6, 0.2, t)], axis=-1)
    col = 0.55 + 0.45 * hue / np.maximum(hue.max(axis=-1), 1e-6)[..., None]
    alpha = 0.32 * gauss(r - centre, width) + 0.05 * smoothstep(centre, centre - 0.3, r)
    return sprite(col, alpha * border_fade(r))


def tex9(n=128):
    """Larger hexagonal ghost near the screen's middle: faint lavender fill, soft rim."""
    _, _, dx, dy = polar(n)
    d = hexagon(dx, dy, 0.66, 0.0)
    fill = 0.16 * smoothstep(0.03, -0.08, d) * (0.7 + 0.3 * np.clip(-d / 0.6, 0.0, 1.0))
    rim = 0.3 * gauss(d, 0.04)
    r = np.hypot(dx, dy)
    return sprite((0.8, 0.8, 1.0), (fill + rim) * border_fade(r))


GENERATORS = [("particle", particle)] + [("tex%d" % i, f) for i, f in
                                         enumerate((tex1, tex2, tex3, tex4, tex5, tex6, tex7, tex8, tex9), 1)]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: sprites.py OUTDIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name, fn in GENERATORS:
        write_pam(os.path.join(out, name + ".pam"), fn())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
