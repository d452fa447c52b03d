#!/usr/bin/python3
"""Draws the level's textures as PAM files (RGBA; the surfaces fully opaque, the sun a disc
in a transparent square).

Usage: level_textures.py OUTDIR
Writes OUTDIR/{ground01,sun,stone_16,wall_01,grey02,green}.pam. The surface textures tile
seamlessly (every pattern is periodic over the image); the sun is a single disc.
"""

import os
import sys

import numpy as np

from texlib import (blur_tile, fbm_tile, grid, lerp, opaque, ramp, shade_from_height,
                    smoothstep, warp_field, worley_tile, write_pam)

SIZE = 512


def ground01(n=SIZE):
    """Dry earthy ground: warped soil tones, lumpy clods, damp patches, grit and a scatter
    of flat pebbles."""
    rng = np.random.RandomState(101)
    warp = warp_field(rng, n, 3, 0.06)
    soil = fbm_tile(rng, n, 4, 6, 0.55, warp)
    damp = smoothstep(0.05, 0.45, fbm_tile(rng, n, 3, 4, 0.5))
    grit = fbm_tile(rng, n, 64, 2, 0.5)
    speck = rng.uniform(0.0, 1.0, (n, n))

    col = ramp(0.5 + 0.5 * soil, [
        (0.00, (0.22, 0.15, 0.09)),
        (0.40, (0.36, 0.26, 0.16)),
        (0.65, (0.46, 0.35, 0.23)),
        (1.00, (0.56, 0.45, 0.31))])
    col *= (1.0 - 0.35 * damp)[..., None]
    col *= (1.0 + 0.18 * grit)[..., None]

    # clods: soft rounded lumps of two sizes, so no single cell grid shows
    c1, _, _ = worley_tile(rng, n, 10, 1.0)
    c2, _, _ = worley_tile(rng, n, 23, 1.0)
    clods = np.maximum(1.0 - c1 ** 2, 0.7 * (1.0 - c2 ** 2))
    col *= (0.85 + 0.22 * clods)[..., None]
    height = 0.5 * soil + 1.2 * clods + 0.3 * grit

    # pebbles: flat-topped stones in a quarter of the cells of two grids
    for cells, share, rmin, rmax, seed in ((12, 0.22, 0.16, 0.34, 7), (31, 0.15, 0.12, 0.3, 8)):
        prng = np.random.RandomState(seed)
        f1, _, ident = worley_tile(prng, n, cells, 0.85)
        count = cells * cells
        radius = (rmin + (rmax - rmin) * prng.uniform(0.0, 1.0, count))[ident]
        has = (prng.uniform(0.0, 1.0, count) < share)[ident]
        edge_noise = 0.04 * fbm_tile(prng, n, cells * 2, 2)
        pebble = np.where(has, smoothstep(radius + edge_noise, radius * 0.75 + edge_noise, f1), 0.0)
        tone = (0.35 + 0.35 * prng.uniform(0.0, 1.0, count))[ident]
        warm = (prng.uniform(0.0, 1.0, count) * 0.08)[ident]
        pebble_col = np.stack([tone * (0.95 + warm), tone * 0.92, tone * (0.86 - warm)], axis=-1)
        pebble_col *= (1.0 + 0.12 * grit)[..., None]
        dome = np.sqrt(np.clip(1.0 - (f1 / radius) ** 2, 0.0, 1.0))
        pebble_col *= (0.8 + 0.25 * dome)[..., None]
        col = lerp(col, pebble_col, pebble[..., None])
        height += 0.9 * pebble * dome

    col *= shade_from_height(height, 2.5)[..., None] ** 0.7
    col *= (0.94 + 0.12 * speck)[..., None]
    return opaque(col)


def sun(n=256):
    """The sun's face: a white-hot disc with granulation, a yellow limb and an orange corona
    whose streamers fade out into full transparency well inside the square's edges."""
    rng = np.random.RandomState(202)
    y, x = grid(n)
    dx, dy = x - 0.5, y - 0.5
    r = np.hypot(dx, dy) * 2.0  # 1.0 at the middle of each edge
    ang = np.arctan2(dy, dx)
    disc_r = 0.56

    gran = fbm_tile(rng, n, 24, 3, 0.6)
    disc = smoothstep(disc_r + 0.02, disc_r - 0.02, r)
    limb = np.clip(r / disc_r, 0.0, 1.0)
    disc_col = ramp(limb, [
        (0.00, (1.00, 1.00, 0.92)),
        (0.55, (1.00, 0.96, 0.70)),
        (0.85, (1.00, 0.84, 0.40)),
        (1.00, (1.00, 0.70, 0.22))])
    disc_col *= (1.0 + 0.06 * gran)[..., None]

    # streamers: angular noise sampled on a circle so it wraps around smoothly
    streak = np.zeros_like(r)
    for k, amp in ((9, 0.5), (17, 0.3), (31, 0.2)):
        phase = rng.uniform(0.0, 2.0 * np.pi, 3)
        streak += amp * (np.sin(k * ang + phase[0]) * 0.5 + 0.5) * (np.sin(0.5 * k * ang + phase[1]) * 0.5 + 0.5)
    glow = np.exp(-(r - disc_r).clip(0.0) * 3.2) * (0.75 + 0.5 * streak)
    corona_col = ramp(np.clip((r - disc_r) / (1.4 - disc_r), 0.0, 1.0), [
        (0.00, (1.00, 0.78, 0.30)),
        (0.35, (1.00, 0.55, 0.16)),
        (1.00, (0.78, 0.26, 0.08))])
    base = np.array([0.70, 0.24, 0.07])
    corona = base + (corona_col - base) * np.clip(glow, 0.0, 1.0)[..., None]
    col = lerp(corona, disc_col, disc[..., None])

    # Coverage: the disc is solid, the corona thins out with its streamers and is gone before
    # the square's edges, so the sky shows all around the sun. The colour runs on under the
    # transparent texels, so filtering at the rim blends towards the corona, never black.
    halo = np.exp(-(r - disc_r).clip(0.0) * 4.5) * (0.8 + 0.4 * streak)
    halo *= smoothstep(0.98, 0.78, r)
    alpha = np.maximum(disc, np.clip(halo, 0.0, 1.0))
    return np.concatenate([col, alpha[..., None]], axis=2)


def stone_16(n=SIZE):
    """Irregular flagstones: sixteen stones (a jittered 4 x 4 cell layout), each with its own
    tone, rough surface and chipped edges, set in dark joints."""
    rng = np.random.RandomState(303)
    cells = 4
    warp = warp_field(rng, n, 4, 0.012)
    y, x = grid(n)
    # warped cell noise gives slightly wavy joints instead of straight polygon edges
    off = 0.5 + rng.uniform(-0.5, 0.5, (cells, cells, 2)) * 0.75
    u = (x + warp[1]) * cells
    v = (y + warp[0]) * cells
    cx, cy = np.floor(u).astype(int), np.floor(v).astype(int)
    f1 = np.full((n, n), 1e9)
    f2 = np.full((n, n), 1e9)
    ident = np.zeros((n, n), dtype=int)
    for oy in (-1, 0, 1):
        for ox in (-1, 0, 1):
            ncx, ncy = cx + ox, cy + oy
            wx, wy = ncx % cells, ncy % cells
            d = np.hypot(ncx + off[wy, wx, 0] - u, ncy + off[wy, wx, 1] - v)
            closer = d < f1
            f2 = np.where(closer, f1, np.minimum(f2, d))
            ident = np.where(closer, wy * cells + wx, ident)
            f1 = np.where(closer, d, f1)
    edge = (f2 - f1)  # 0 on a joint, grows towards the stone's middle

    rough = fbm_tile(rng, n, 8, 6, 0.55)
    chip = fbm_tile(rng, n, 16, 3, 0.5)
    joint_w = 0.045 + 0.025 * chip
    stone_mask = smoothstep(joint_w, joint_w + 0.05, edge)

    tones = rng.uniform(0.0, 1.0, (cells * cells, 3))
    palette = np.array([
        (0.52, 0.49, 0.44),
        (0.58, 0.53, 0.45),
        (0.46, 0.45, 0.43),
        (0.55, 0.50, 0.42),
        (0.49, 0.46, 0.40)])
    pick = (tones[:, 0] * len(palette)).astype(int)
    stone_base = palette[pick] * (0.88 + 0.24 * tones[:, 1])[:, None]
    col = stone_base[ident] * (1.0 + 0.16 * rough)[..., None]
    lichen = smoothstep(0.25, 0.6, fbm_tile(rng, n, 6, 4, 0.5)) * 0.35
    col = lerp(col, np.array([0.47, 0.47, 0.33]), lichen[..., None])

    joint_col = np.array([0.16, 0.14, 0.12]) * (1.0 + 0.3 * fbm_tile(rng, n, 32, 2))[..., None]
    col = lerp(joint_col, col, stone_mask[..., None])

    height = stone_mask * (1.0 + 0.15 * rough) + 0.08 * rough
    col *= shade_from_height(height, 6.0)[..., None] ** 0.9
    col *= (0.95 + 0.1 * rng.uniform(0.0, 1.0, (n, n)))[..., None]
    return opaque(col)


def wall_01(n=SIZE):
    """Red brick wall in running bond: 8 courses of 4 bricks, each brick its own shade,
    with chipped corners and recessed sandy mortar."""
    rng = np.random.RandomState(404)
    rows, per_row = 8, 4
    y, x = grid(n)
    warp = warp_field(rng, n, 16, 0.0025)
    yy = (y + warp[0]) * rows
    row = np.floor(yy).astype(int) % rows
    xx = (x + warp[1]) * per_row + np.where(row % 2 == 1, 0.5, 0.0)
    col_i = np.floor(xx).astype(int) % per_row
    fy = yy - np.floor(yy)
    fx = xx - np.floor(xx)
    # distance to the brick's border in pixels (brick is n/per_row wide, n/rows tall)
    bw, bh = n / per_row, n / rows
    dist = np.minimum(np.minimum(fx, 1 - fx) * bw, np.minimum(fy, 1 - fy) * bh)

    chip = fbm_tile(rng, n, 32, 3, 0.5)
    mortar_half = 3.2 + 1.6 * chip
    brick_mask = smoothstep(mortar_half, mortar_half + 1.8, dist)

    bid = row * per_row + col_i
    br = rng.uniform(0.0, 1.0, (rows * per_row, 3))
    base = ramp(br[:, 0], [
        (0.00, (0.42, 0.16, 0.10)),
        (0.35, (0.55, 0.22, 0.13)),
        (0.70, (0.62, 0.30, 0.18)),
        (1.00, (0.50, 0.28, 0.20))])
    base *= (0.85 + 0.3 * br[:, 1])[:, None]
    surf = fbm_tile(rng, n, 16, 5, 0.55)
    soot = smoothstep(0.1, 0.6, fbm_tile(rng, n, 4, 4, 0.5)) * 0.35
    col = base[bid] * (1.0 + 0.18 * surf)[..., None]
    col *= (1.0 - soot)[..., None]
    # edges of each brick burnt a little darker
    col *= (0.85 + 0.15 * smoothstep(0.0, 14.0, dist))[..., None]
    pits = (rng.uniform(0.0, 1.0, (n, n)) < 0.004).astype(float)
    pits = blur_tile(pits, 1) * 4.0
    col *= (1.0 - 0.5 * np.clip(pits, 0, 1))[..., None]

    mortar = np.array([0.62, 0.58, 0.50]) * (0.85 + 0.25 * fbm_tile(rng, n, 48, 2))[..., None]
    col = lerp(mortar, col, brick_mask[..., None])

    height = brick_mask * (1.0 + 0.1 * surf) - 0.5 * np.clip(pits, 0, 1)
    col *= shade_from_height(height, 5.0)[..., None] ** 0.9
    return opaque(col)


def grey02(n=SIZE):
    """Grey slate floor: four slabs (2 x 2), each a slightly different slate grey with
    cleavage streaks, pale veins and speckles, set in thin dark grout with softened bevels.
    The grout runs along the image border in halves, so repeats join into whole joints."""
    rng = np.random.RandomState(505)
    tiles = 2
    y, x = grid(n)
    warp = warp_field(rng, n, 8, 0.003)
    u = (x + warp[1]) * tiles
    v = (y + warp[0]) * tiles
    ix = np.floor(u).astype(int) % tiles
    iy = np.floor(v).astype(int) % tiles
    fu, fv = u - np.floor(u), v - np.floor(v)
    tile_px = n / tiles
    dist = np.minimum(np.minimum(fu, 1 - fu), np.minimum(fv, 1 - fv)) * tile_px

    chip = fbm_tile(rng, n, 32, 3, 0.5)
    grout_half = 2.4 + 0.9 * chip
    bevel = 6.0
    slab = smoothstep(grout_half, grout_half + bevel, dist)

    tid = iy * tiles + ix
    tone = np.array([
        (0.47, 0.48, 0.50),
        (0.42, 0.43, 0.45),
        (0.50, 0.50, 0.50),
        (0.44, 0.45, 0.48)])
    # each slab's cleavage streaks run in their own direction
    angles = np.array([0.35, 1.9, 1.1, 2.6])
    a = angles[tid]
    along = np.cos(a) * x + np.sin(a) * y
    streak_noise = fbm_tile(rng, n, 6, 4, 0.5)
    streaks = np.sin((along * 26.0 + streak_noise * 6.0) * np.pi) * 0.5 + 0.5
    streaks = streaks ** 4
    mottle = fbm_tile(rng, n, 4, 5, 0.55)
    fine = fbm_tile(rng, n, 48, 3, 0.5)

    col = tone[tid] * (1.0 + 0.12 * mottle + 0.05 * fine - 0.035 * streaks)[..., None]
    # pale quartz veins: ridges of a warped noise, thin and sparse
    vein_n = fbm_tile(rng, n, 3, 5, 0.5, warp_field(rng, n, 4, 0.05))
    vein = smoothstep(0.035, 0.0, np.abs(vein_n)) * smoothstep(-0.1, 0.3, fbm_tile(rng, n, 4, 3))
    col = lerp(col, np.array([0.66, 0.66, 0.65]), (0.45 * vein)[..., None])
    speck = rng.uniform(0.0, 1.0, (n, n))
    col *= (0.96 + 0.08 * speck)[..., None]
    # a cooler blue-grey cast in some places keeps the repeats from looking flat
    cool = smoothstep(-0.2, 0.5, fbm_tile(rng, n, 2, 3, 0.5))
    col *= (1.0 + np.stack([-0.03 * cool, 0.0 * cool, 0.04 * cool], axis=-1))

    grout = np.array([0.20, 0.20, 0.21]) * (0.9 + 0.2 * fbm_tile(rng, n, 64, 2))[..., None]
    col = lerp(grout, col, slab[..., None])

    height = slab * (1.0 + 0.04 * mottle + 0.02 * fine)
    col *= shade_from_height(height, 3.0)[..., None] ** 0.8
    return opaque(col)


def green(n=SIZE):
    """Moss: soft cushions of several greens over a dark damp base, with fine fibres and
    bright yellow-green tips catching the light."""
    rng = np.random.RandomState(606)
    warp = warp_field(rng, n, 4, 0.05)
    big = fbm_tile(rng, n, 4, 5, 0.55, warp)
    # cushions of two sizes, merged so the cell layout does not read as a pattern
    a1, _, id1 = worley_tile(rng, n, 9, 1.0)
    a2, _, _ = worley_tile(rng, n, 21, 1.0)
    cushion = np.maximum(np.clip(1.0 - a1 ** 2 * 1.1, 0, 1), 0.8 * np.clip(1.0 - a2 ** 2 * 1.2, 0, 1))
    cushion = np.clip(cushion + 0.25 * big, 0.0, 1.0)
    fibre = fbm_tile(rng, n, 128, 2, 0.5)
    fibre2 = fbm_tile(rng, n, 48, 3, 0.5)
    tips = smoothstep(0.72, 0.98, rng.uniform(0.0, 1.0, (n, n)) * (0.5 + 0.5 * cushion))

    clump_tone = np.random.RandomState(9).uniform(0.0, 1.0, 81)[id1]
    t = np.clip(0.45 + 0.45 * big + 0.3 * (clump_tone - 0.5) + 0.25 * fibre2, 0.0, 1.0)
    col = ramp(t, [
        (0.00, (0.12, 0.22, 0.07)),
        (0.35, (0.21, 0.37, 0.10)),
        (0.70, (0.33, 0.49, 0.14)),
        (1.00, (0.47, 0.57, 0.20))])
    # dark damp ground shows where the cushions thin out
    col *= (0.35 + 0.75 * smoothstep(0.0, 0.6, cushion))[..., None]
    col *= (1.0 + 0.25 * fibre)[..., None]
    col = lerp(col, np.array([0.64, 0.72, 0.30]), (0.4 * tips * cushion)[..., None])

    height = 1.2 * cushion + 0.25 * fibre + 0.2 * fibre2
    col *= shade_from_height(height, 3.0)[..., None] ** 0.7
    return opaque(col)


GENERATORS = [
    ("ground01", ground01),
    ("sun", sun),
    ("stone_16", stone_16),
    ("wall_01", wall_01),
    ("grey02", grey02),
    ("green", green),
]


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: level_textures.py OUTDIR\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name, fn in GENERATORS:
        write_pam(os.path.join(out, name + ".pam"), fn())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
