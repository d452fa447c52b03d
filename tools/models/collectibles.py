"""The three collectibles and the escape marker, as static OBJ meshes.

Each is authored in the units and axes its in-game draw transform implies:

- bagOfGold: drawn at scale 0.06 and turned 270 degrees about x, so the model
  is z-up; about 11 units tall (0.66 in the world) and centred on its origin,
  which floats 0.75 above the platform.
- treasureChest: scale 0.012, 270 degrees about x: z-up, 72 units wide
  (0.86 in the world).
- treasureMap: scale 0.08, turned 90 degrees about z before spinning about y:
  the model's +x becomes the world's up, so the scroll lies in the model's
  x-z plane, 11 units tall along x (0.88 in the world).
- compass: scale 0.09, spun about y: y-up, standing on edge with its dials
  facing +z and -z, 12 units across (1.08 in the world).

The z-up models are built y-up (as the world will show them) and then turned
with (x, y, z) -> (x, -z, y), which the draw's 270-degree turn undoes."""

import math
import random

from .geometry import (MeshBuilder, TAU, add, sub, normalize, smoothstep, capsule_fn, ellipsoid_fn,
                       superellipsoid_fn, torus_fn, cylinder_fn, profile, rot_x, rot_z, add_box)
from .png import Canvas, Rect, ValueNoise, mix, scale, segment_distance
from .png import smoothstep as sstep


def y_up_to_z_up(mesh):
    f = lambda p: (p[0], -p[2], p[1])
    return mesh.transformed(f, f)


def coin_uv(region):
    """Texture mapping for cylinder_fn discs: both faces show the round coin
    face (polar mapping), the rim takes the face's outer ring."""

    def fn(u, v):
        a = TAU * u
        if v < 0.3:
            f = v / 0.3 * 0.86
        elif v > 0.7:
            f = (1 - v) / 0.3 * 0.86
        else:
            f = 0.95
        return region.map(0.5 + 0.5 * f * math.sin(a), 0.5 - 0.5 * f * math.cos(a))

    return fn


def paint_coin_face(c, rect, base=(222, 178, 60)):
    """A gold coin face: raised rim, a five-pointed star, soft sheen."""

    def fn(u, v):
        x, y = u - 0.5, v - 0.5
        r = math.hypot(x, y) * 2
        col = scale(base, 0.9 + 0.25 * (x - y))
        if 0.78 < r < 0.92:
            col = scale(base, 1.2)
        elif r >= 0.92:
            col = scale(base, 0.75)
        # star: radius oscillates with the angle
        a = math.atan2(x, y)
        star = 0.28 + 0.22 * (0.5 + 0.5 * math.cos(5 * a))
        if r < star:
            col = scale(base, 1.25 - 0.4 * r)
        return col

    c.paint_region(rect, fn)


# ======================================================================= bag

def build_bag():
    tex = Canvas(256, 256, (160, 120, 70))
    R_BURLAP = Rect(0, 0, 256, 160)
    R_ROPE = Rect(0, 160, 128, 192)
    R_PILE = Rect(0, 192, 128, 256)
    R_COIN = Rect(128, 160, 256, 256)
    noise = ValueNoise(21, 8)
    fine = ValueNoise(22, 32)

    def burlap(u, v):
        weave = 0.5 + 0.5 * math.sin(u * 160 * math.pi) * math.sin(v * 100 * math.pi)
        k = 0.85 + 0.15 * weave + 0.35 * (noise.fbm(u, v) - 0.5) + 0.1 * (fine(u, v) - 0.5)
        col = scale((178, 140, 92), k)
        # a stitched seam up the back and a darker, dirty bottom
        if abs(u - 0.0) < 0.012 or abs(u - 1.0) < 0.012:
            col = scale(col, 0.7)
        col = scale(col, 0.75 + 0.25 * sstep(0.0, 0.25, v))
        # a painted coin mark on the front (u = 0.5 is the front of the sack)
        d = math.hypot((u - 0.5) * 2.2, (v - 0.42) * 1.0)
        if 0.11 < d < 0.14 or d < 0.06:
            col = mix(col, (110, 50, 30), 0.75)
        return col

    tex.paint_region(R_BURLAP, burlap)
    tex.paint_region(R_ROPE, lambda u, v: scale((150, 110, 60), 0.7 + 0.45 * (0.5 + 0.5 * math.sin((u * 12 + v * 2) * TAU))))

    def pile(u, v):
        rng = random.Random(int(u * 7) * 131 + int(v * 7))
        cu, cv = (int(u * 7) + 0.5) / 7, (int(v * 7) + 0.5) / 7
        d = math.hypot(u - cu, v - cv) * 7
        col = scale((214, 168, 56), 0.75 + 0.4 * rng.random())
        if d > 0.42:
            col = scale(col, 0.7)
        if ((u * 97 + v * 53) % 1.0) < 0.012:
            col = (255, 250, 220)  # glints
        return col

    tex.paint_region(R_PILE, pile)
    paint_coin_face(tex, R_COIN)

    m = MeshBuilder()
    # sack (y-up while building): round belly, pinched neck, ruffled top
    rows = [
        # t,    y,     r
        (0.00, -5.3, 0.0),
        (0.06, -5.2, 2.6),
        (0.16, -4.6, 3.9),
        (0.34, -2.4, 4.3),
        (0.52, 0.0, 3.6),
        (0.66, 1.9, 2.1),
        (0.72, 2.7, 1.45),
        (0.80, 3.5, 1.9),
        (0.90, 4.5, 2.7),
        (0.95, 4.8, 2.5),
        (1.00, 4.4, 0.0),
    ]

    def sack(u, v):
        y, r = profile(rows, v)
        ph = TAU * u
        lump = 1.0 + 0.05 * math.sin(3 * ph + 0.7) * (1 - smoothstep(0.6, 0.7, v)) \
                   + 0.03 * math.sin(5 * ph + 2.0)
        folds = 1.0 + 0.16 * math.sin(11 * ph) * smoothstep(0.72, 0.85, v)
        r *= lump * folds
        return (r * math.sin(ph), y, -r * math.cos(ph))

    m.grid(sack, 33, 22, R_BURLAP.map, None, lambda p, u, v: (p[0], 0.0, p[2]))
    # coins heaped in the open top
    fn, out = ellipsoid_fn((0.0, 4.5, 0.0), (2.3, 0.9, 2.3))
    m.grid(fn, 18, 8, R_PILE.map, None, out)
    # rope tied round the neck, with two hanging ends
    fn, out = torus_fn((0.0, 2.75, 0.0), 1.55, 0.33, axis=(0.0, 1.0, 0.0))
    m.grid(fn, 22, 6, R_ROPE.map, None, out)
    for dx, tilt in ((-0.35, -12.0), (0.35, 16.0)):
        top = (dx, 2.7, 1.75)
        end = add(top, rot_z((0.0, -2.2, 0.55), tilt))
        fn, out = capsule_fn(top, end, 0.28, 0.22)
        m.grid(fn, 8, 6, R_ROPE.map, None, out)
        fn, out = ellipsoid_fn(end, (0.32, 0.4, 0.32))
        m.grid(fn, 8, 6, R_ROPE.map, None, out)
    # coins: a few spilled round the base, some leaning, two on the heap
    coins = [
        ((3.6, -5.05, 3.0), (0.0, 1.0, 0.1)),
        ((5.0, -5.05, 0.8), (0.1, 1.0, 0.0)),
        ((4.4, -4.85, 3.7), (0.2, 1.0, 0.3)),
        ((-3.9, -5.05, 2.6), (0.0, 1.0, -0.1)),
        ((1.2, -5.05, 4.9), (0.05, 1.0, 0.0)),
        ((4.35, -3.7, 1.6), (0.9, 0.6, 0.3)),      # leaning against the belly
        ((-2.6, -3.9, 3.6), (-0.4, 0.5, 0.9)),
        ((0.9, 5.35, 0.5), (0.3, 1.0, 0.2)),       # on the heap
        ((-0.9, 5.2, -0.6), (-0.3, 1.0, 0.1)),
    ]
    for c, axis in coins:
        fn, out = cylinder_fn(c, normalize(axis), 0.95, 0.24, rim=0.12)
        m.grid(fn, 12, 6, coin_uv(R_COIN), None, out)
    mesh = y_up_to_z_up(m)
    material = {"name": "bagOfGold", "Kd": (1, 1, 1), "Ks": (0.4, 0.35, 0.2), "Ns": 14, "map_Kd": "bagOfGold.png"}
    return mesh, tex, material, "a tied sack of gold coins, z-up, units of 0.06 in the game"


# ===================================================================== chest

def build_chest():
    tex = Canvas(256, 256, (90, 60, 30))
    R_WOOD = Rect(0, 0, 128, 128)
    R_IRON = Rect(128, 0, 192, 64)
    R_PLATE = Rect(192, 0, 256, 64)
    R_PILE = Rect(128, 64, 256, 192)
    R_INNER = Rect(0, 128, 128, 192)
    R_GEM = Rect(0, 192, 64, 256)
    R_COIN = Rect(64, 192, 128, 256)
    R_LIDWOOD = Rect(128, 192, 256, 256)
    grain = ValueNoise(31, 16)
    blot = ValueNoise(32, 4)

    def planks(u, v, across=False):
        # horizontal planks (v across them) with wavy grain and dark joints
        t = u if across else v
        s = v if across else u
        n = 5
        k = int(t * n)
        f = t * n - k
        col = scale((128, 82, 44), 0.85 + 0.12 * ((k * 37) % 5) / 4.0)
        g = 0.5 + 0.5 * math.sin((s * 14 + grain(s * 2, t * 8) * 3) * TAU)
        col = scale(col, 0.85 + 0.2 * g + 0.2 * (blot(s, t) - 0.5))
        if f < 0.06 or f > 0.94:
            col = scale(col, 0.45)
        return col

    tex.paint_region(R_WOOD, planks)
    tex.paint_region(R_LIDWOOD, lambda u, v: planks(u, v, across=True))
    tex.paint_region(R_INNER, lambda u, v: scale(planks(u, v), 0.55))

    def iron(u, v):
        col = scale((70, 72, 78), 0.85 + 0.3 * (grain(u * 2, v * 2) - 0.5))
        # rivets every so often along the band
        fu, fv = (u * 4) % 1.0, (v * 4) % 1.0
        if math.hypot(fu - 0.5, fv - 0.5) < 0.16:
            col = (150, 150, 158)
        return col

    tex.paint_region(R_IRON, iron)

    def plate(u, v):
        col = scale((226, 180, 70), 0.85 + 0.3 * (u - v + 0.5) * 0.5)
        if u < 0.08 or u > 0.92 or v < 0.08 or v > 0.92:
            col = scale(col, 0.75)
        # keyhole
        if math.hypot(u - 0.5, v - 0.58) < 0.1 or (abs(u - 0.5) < 0.04 and 0.3 < v < 0.58):
            col = (20, 14, 10)
        return col

    tex.paint_region(R_PLATE, plate)

    def pile(u, v):
        cells = 9
        cu, cv = int(u * cells), int(v * cells)
        rng = random.Random(cu * 977 + cv)
        ox, oy = (cu + 0.5 + 0.3 * (rng.random() - 0.5)) / cells, (cv + 0.5 + 0.3 * (rng.random() - 0.5)) / cells
        d = math.hypot(u - ox, v - oy) * cells
        col = scale((220, 172, 58), 0.8 + 0.35 * rng.random())
        if 0.36 < d < 0.46:
            col = scale(col, 0.65)
        # star-shaped glints
        gx, gy = (u * 5.3) % 1.0 - 0.5, (v * 4.7) % 1.0 - 0.5
        if (abs(gx) < 0.012 and abs(gy) < 0.09) or (abs(gy) < 0.012 and abs(gx) < 0.09):
            col = (255, 252, 230)
        return col

    tex.paint_region(R_PILE, pile)
    tex.paint_region(R_GEM, lambda u, v: scale((200, 30, 50), 0.7 + 0.6 * (1 - math.hypot(u - 0.35, v - 0.65))))
    paint_coin_face(tex, R_COIN)

    m = MeshBuilder()
    W, D = 35.0, 22.0            # half width (x), half depth (z)
    yb, yt = -28.0, 6.0          # body bottom and rim

    def face_uv(region):
        return lambda face, a, b: region.map(a, b)

    def body_uv(face, a, b):
        if face == "+y":
            return R_INNER.map(a, b)
        return R_WOOD.map(a, b)

    add_box(m, (-W, yb, -D), (W, yt, D), body_uv)
    # iron base rim and top rim, vertical bands and corner guards
    add_box(m, (-W - 0.8, yb - 0.4, -D - 0.8), (W + 0.8, yb + 3.5, D + 0.8), face_uv(R_IRON))
    add_box(m, (-W - 0.6, yt - 3.0, -D - 0.6), (W + 0.6, yt, D + 0.6), face_uv(R_IRON))
    for x in (-21.0, 21.0):
        add_box(m, (x - 2.6, yb - 0.2, -D - 0.9), (x + 2.6, yt + 0.2, D + 0.9), face_uv(R_IRON))
    for sx in (-1, 1):
        for sz in (-1, 1):
            lo = (sx * W - (2.5 if sx > 0 else 1.0), yb, sz * D - (2.5 if sz > 0 else 1.0))
            hi = (sx * W + (1.0 if sx > 0 else 2.5), yt, sz * D + (1.0 if sz > 0 else 2.5))
            add_box(m, lo, hi, face_uv(R_IRON))
    # gold lock plate on the front
    add_box(m, (-5.0, yt - 12.0, D + 0.6), (5.0, yt - 1.0, D + 1.8), face_uv(R_PLATE))

    # the treasure inside: a heap of coins rising above the rim, a gem, loose coins
    fn, out = ellipsoid_fn((0.0, yt - 1.0, 1.0), (W - 3.0, 12.0, D - 3.0))
    m.grid(fn, 24, 12, R_PILE.map, None, out)
    fn, out = superellipsoid_fn((6.0, yt + 10.0, 6.0), (3.0, 3.6, 3.0), 1.6)
    m.grid(fn, 8, 6, R_GEM.map, None, out)
    for c, axis in (((-10.0, yt + 9.4, 4.0), (0.2, 1.0, 0.3)), ((14.0, yt + 7.0, -4.0), (-0.3, 1.0, 0.1)),
                    ((-20.0, yt + 5.0, 8.0), (0.3, 1.0, 0.5)), ((2.0, yt + 10.6, -4.0), (0.0, 1.0, -0.2)),
                    ((20.0, yt + 2.0, 14.0), (0.5, 1.0, 0.6))):
        fn, out = cylinder_fn(c, normalize(axis), 3.2, 0.8, rim=0.12)
        m.grid(fn, 12, 6, coin_uv(R_COIN), None, out)

    # lid: a barrel-vaulted top hinged at the back edge, opened 32 degrees
    lid = MeshBuilder()
    H = 14.0

    def vault(u, v, grow=0.0):
        # u along the arc (front edge -> back edge), v across the width
        a = math.pi * u
        return (-W + 2 * W * v, (H + grow) * math.sin(a), (D + grow) * math.cos(a))

    lid.grid(lambda u, v: vault(u, v), 16, 4, lambda u, v: R_LIDWOOD.map(v, u), None,
             lambda p, u, v: (0.0, p[1], p[2]))

    def end_cap(sign):
        def fn(u, v):
            a = math.pi * u
            r = v
            return (sign * W, H * math.sin(a) * r, D * math.cos(a) * r)
        return fn

    for sign in (-1, 1):
        lid.grid(end_cap(sign), 16, 3, lambda u, v: R_WOOD.map(0.5 + 0.5 * v * math.cos(math.pi * u),
                                                                  0.5 * v * math.sin(math.pi * u)), None,
                 lambda p, u, v, s=sign: (s, 0.0, 0.0))
    # underside, seen while the lid is open
    add_box(lid, (-W, -0.01, -D), (W, 0.0, D), face_uv(R_INNER))
    # iron straps over the vault and a hasp at the front
    for x in (-21.0, 21.0):
        def strap(u, v, x=x):
            a = math.pi * u
            r = 1.0 + 0.9 * math.sin(math.pi * v) / 14.0
            return (x - 2.6 + 5.2 * v, H * r * math.sin(a) + 0.3, D * r * math.cos(a) + (0.3 if u < 0.5 else -0.3))
        lid.grid(strap, 16, 3, lambda u, v: R_IRON.map(v, u), None, lambda p, u, v: (0.0, p[1], p[2]))
    add_box(lid, (-3.5, -6.0, D + 0.2), (3.5, 2.5, D + 1.4), face_uv(R_PLATE))
    hinge = (0.0, yt, -D)
    # place the lid on the rim, then open it about the hinge (front edge rises)
    opened = lid.transformed(
        lambda p: add(hinge, rot_x(sub(add(p, (0.0, yt, 0.0)), hinge), -32.0)),
        lambda n: rot_x(n, -32.0))
    m.extend(opened)

    mesh = y_up_to_z_up(m)
    material = {"name": "treasureChest", "Kd": (1, 1, 1), "Ks": (0.5, 0.45, 0.3), "Ns": 15,
                "map_Kd": "treasureChest.png"}
    return mesh, tex, material, "an iron-banded chest heaped with gold, lid ajar, z-up, units of 0.012 in the game"


# ======================================================================= map

def build_map():
    tex = Canvas(256, 256, (220, 196, 146))
    R_FRONT = Rect(0, 0, 176, 224)
    R_BACK = Rect(176, 0, 256, 112)
    R_ROLL = Rect(176, 112, 256, 176)
    R_WOOD = Rect(176, 176, 256, 256)
    stain = ValueNoise(41, 6)
    coast = ValueNoise(42, 8)
    fine = ValueNoise(43, 32)

    def parchment(u, v):
        k = 0.9 + 0.22 * (stain.fbm(u, v) - 0.5) + 0.06 * (fine(u, v) - 0.5)
        col = scale((226, 202, 150), k)
        # edges browned and scorched
        e = min(u, 1 - u, v, 1 - v)
        col = mix((120, 80, 40), col, sstep(0.0, 0.08, e + 0.03 * (stain(u * 3, v * 3) - 0.5)))
        return col

    def island_radius(u, v):
        a = math.atan2(v - 0.5, u - 0.5)
        return 0.30 + 0.09 * (coast(0.5 + 0.3 * math.cos(a), 0.5 + 0.3 * math.sin(a)) - 0.5) * 2 \
            + 0.04 * math.sin(3 * a)

    path = [(0.30, 0.30), (0.38, 0.42), (0.34, 0.55), (0.46, 0.62), (0.58, 0.56), (0.64, 0.68)]
    ink = (70, 46, 30)

    def front(u, v):
        col = parchment(u, v)
        # the map sits inside a ruled frame
        if 0.07 < u < 0.93 and 0.06 < v < 0.94:
            x, y = (u - 0.07) / 0.86, (v - 0.06) / 0.88
            d = math.hypot((x - 0.5) * 1.0, (y - 0.5) * 1.1)
            r = island_radius(x, y)
            if d < r:
                col = mix(col, (170, 170, 110), 0.45)          # land
                # hills: little inverted vees
                for hx, hy in ((0.42, 0.40), (0.55, 0.45), (0.48, 0.33), (0.38, 0.60)):
                    dx, dy = x - hx, y - hy
                    if 0 < dy < 0.04 and abs(abs(dx) - (0.04 - dy)) < 0.006:
                        col = ink
            elif d < r + 0.015:
                col = ink                                       # coastline
            else:
                col = mix(col, (120, 150, 150), 0.35)          # sea
                if ((y * 40 + 0.3 * math.sin(x * 30)) % 1.0) < 0.08 and d < r + 0.12:
                    col = mix(col, ink, 0.4)                    # ripples
            # dotted trail and the red cross
            best = min(segment_distance(x, y, a[0], a[1], b[0], b[1]) for a, b in zip(path, path[1:]))
            if best < 0.008 and (int((x + y) * 60) % 2 == 0):
                col = (150, 40, 30)
            cx, cy = path[-1]
            if abs(abs(x - cx) - abs(y - cy)) < 0.008 and abs(x - cx) < 0.035:
                col = (180, 30, 25)
            # compass rose in the lower right corner
            rx, ry = x - 0.82, y - 0.16
            rr = math.hypot(rx, ry)
            ang = math.atan2(ry, rx)
            spike = 0.03 + 0.06 * abs(math.cos(2 * ang)) ** 6
            if rr < spike:
                col = ink if ((ang % (math.pi / 2)) < math.pi / 4) else (160, 120, 70)
            if abs(rr - 0.05) < 0.004:
                col = ink
        if 0.06 < u < 0.94 and 0.05 < v < 0.95 and (abs(u - 0.07) < 0.006 or abs(u - 0.93) < 0.006
                                                     or abs(v - 0.06) < 0.005 or abs(v - 0.94) < 0.005):
            col = ink
        return col

    tex.paint_region(R_FRONT, front)
    tex.paint_region(R_BACK, lambda u, v: scale(parchment(u, v), 0.92))
    tex.paint_region(R_ROLL, lambda u, v: scale(parchment(u, 0.5), 0.8 + 0.25 * (0.5 + 0.5 * math.sin(v * 5 * TAU))))
    tex.paint_region(R_WOOD, lambda u, v: scale((110, 66, 34), 0.8 + 0.3 * (0.5 + 0.5 * math.sin((u * 3 + stain(u, v)) * TAU))))

    m = MeshBuilder()
    Hh, Wh = 5.2, 4.2        # half height (model x, world up) and half width (model z)
    roll_r = 0.55

    def sheet(u, v):
        # u across the width (z), v up the height (x); a gentle curl
        x = -Hh + 2 * Hh * v
        z = -Wh + 2 * Wh * u
        y = 0.35 * math.sin(math.pi * u) + 0.15 * math.sin(TAU * v)
        return (x, y, z)

    m.grid(sheet, 12, 14, lambda u, v: R_FRONT.map(u, v), None, lambda p, u, v: (0.0, 1.0, 0.0),
           two_sided=True, inner_uvmap=lambda u, v: R_BACK.map(1 - u, v), thickness=0.05)
    # rolled parchment at the top and bottom edges, with wooden rod ends
    for x in (-Hh - roll_r * 0.6, Hh + roll_r * 0.6):
        p0, p1 = (x, 0.15 - roll_r * 0.3, -Wh - 0.2), (x, 0.15 - roll_r * 0.3, Wh + 0.2)
        fn, out = capsule_fn(p0, p1, roll_r, roll_r, cap=0.04)
        m.grid(fn, 14, 8, R_ROLL.map, None, out)
        for z in (-Wh - 0.75, Wh + 0.75):
            fn, out = ellipsoid_fn((x, p0[1], z), (0.32, 0.32, 0.45))
            m.grid(fn, 10, 6, R_WOOD.map, None, out)
    material = {"name": "treasureMap", "Kd": (1, 1, 1), "Ks": (0.05, 0.05, 0.05), "Ns": 4,
                "map_Kd": "treasureMap.png"}
    return m, tex, material, "an old parchment map between two rolls; model +x is up once drawn"


# =================================================================== compass

def build_compass():
    tex = Canvas(256, 256, (180, 140, 60))
    R_DIAL = Rect(0, 0, 192, 192)
    R_BRASS = Rect(192, 0, 256, 64)
    R_NEEDLE = Rect(192, 64, 256, 128)
    R_STEEL = Rect(192, 128, 256, 192)
    R_CAP = Rect(192, 192, 256, 256)
    noise = ValueNoise(51, 8)

    def dial(u, v):
        x, y = (u - 0.5) * 2, (v - 0.5) * 2
        r = math.hypot(x, y)
        a = math.atan2(x, y)          # 0 at the top, clockwise
        col = scale((238, 226, 196), 0.95 + 0.08 * (noise(u, v) - 0.5))
        # outer ring of ticks, longer every 45 degrees
        tick = (a / TAU * 72) % 1.0
        if 0.80 < r < 0.93 and (tick < 0.12 or tick > 0.88):
            major = ((a / TAU * 8) % 1.0) < 0.015 or ((a / TAU * 8) % 1.0) > 0.985
            if major or r > 0.86:
                col = (40, 30, 26)
        if abs(r - 0.78) < 0.008 or abs(r - 0.94) < 0.01:
            col = (40, 30, 26)
        # eight-pointed rose; the north point red
        four = 0.06 + 0.62 * abs(math.cos(2 * a)) ** 14
        diag = 0.06 + 0.38 * abs(math.sin(2 * a)) ** 14
        if r < max(four, diag):
            north = abs(a) < math.pi / 4 and four > diag
            left = (a % (math.pi / 4)) < math.pi / 8
            if north:
                col = (196, 36, 32) if left else (150, 24, 22)
            else:
                col = (60, 70, 96) if left else (178, 150, 90)
        if 0.30 < r < 0.32:
            col = (120, 90, 50)
        return col

    tex.paint_region(R_DIAL, dial)

    def brass(u, v):
        return scale((206, 160, 72), 0.85 + 0.3 * (0.5 + 0.5 * math.sin((u * 2 + v * 6) * TAU)) * 0.6
                     + 0.15 * (noise(u * 2, v * 2) - 0.5))

    tex.paint_region(R_BRASS, brass)
    tex.paint_region(R_NEEDLE, lambda u, v: (206, 40, 34) if v > 0.5 else (226, 228, 234))
    tex.paint_region(R_STEEL, lambda u, v: scale((170, 176, 186), 0.8 + 0.3 * v))
    tex.paint_region(R_CAP, lambda u, v: scale((236, 196, 90), 0.8 + 0.4 * (1 - math.hypot(u - 0.4, v - 0.6))))

    m = MeshBuilder()
    R = 6.0
    T = 1.6
    # case: a drum along z; both faces carry the dial
    fn, out = cylinder_fn((0.0, 0.0, 0.0), (0.0, 0.0, 1.0), R, T, rim=0.06)

    def case_uv(u, v):
        a = TAU * u
        if v < 0.3 or v > 0.7:
            f = (v / 0.3) if v < 0.3 else ((1 - v) / 0.3)
            f *= 0.94
            # the drum's frame puts angle a at (sin a, -cos a): keep the dial's top at +y
            return R_DIAL.map(0.5 + 0.5 * f * math.sin(a), 0.5 - 0.5 * f * math.cos(a))
        return R_BRASS.map(u, (v - 0.3) / 0.4)

    m.grid(fn, 32, 14, case_uv, None, out)
    # raised bezels round both dials
    for z in (-T / 2, T / 2):
        fn, out = torus_fn((0.0, 0.0, z), R - 0.1, 0.42, axis=(0.0, 0.0, 1.0))
        m.grid(fn, 32, 6, R_BRASS.map, None, out)
    # needles and their pivots, one per face
    for sz in (-1.0, 1.0):
        z = sz * (T / 2 + 0.22)
        fn, out = superellipsoid_fn((0.0, 0.0, z), (0.75, 4.4, 0.18), 2.0)
        m.grid(fn, 8, 12, lambda u, v: R_NEEDLE.map(0.5, v), None, out)
        fn, out = ellipsoid_fn((0.0, 0.0, z + sz * 0.1), (0.5, 0.5, 0.3))
        m.grid(fn, 10, 6, R_CAP.map, None, out)
    # crown and bow on top, as on a pocket compass
    fn, out = cylinder_fn((0.0, R + 0.6, 0.0), (0.0, 1.0, 0.0), 0.75, 1.4, e=1.0, rim=0.2)
    m.grid(fn, 16, 8, R_BRASS.map, None, out)
    fn, out = torus_fn((0.0, R + 2.7, 0.0), 1.35, 0.32, axis=(0.0, 0.0, 1.0))
    m.grid(fn, 24, 8, R_CAP.map, None, out)
    material = {"name": "compass", "Kd": (1, 1, 1), "Ks": (0.6, 0.5, 0.3), "Ns": 32, "map_Kd": "compass.png"}
    return m, tex, material, "a brass pocket compass standing on edge, dials facing +z and -z, y-up"


MODELS = [
    ("bagOfGold", build_bag),
    ("treasureChest", build_chest),
    ("treasureMap", build_map),
    ("compass", build_compass),
]
