"""The player character: a hooded thief, skinned to a 19-joint skeleton.

Model space: y up, feet on y = 0, the thief faces +z, his left hand on +x.
The game turns the model by (player yaw + 90 degrees) about y, which leaves a
+z-facing model looking along the direction the player walks; the camera
trails behind, so the player sees the hood, mantle and cape from the back.
The mesh is authored in its bind pose: every joint's bind orientation is the
identity, so a joint's inverse bind matrix is a pure translation."""

import math

from .geometry import (MeshBuilder, TAU, add, sub, mul, dot, normalize, smoothstep, capsule_fn, ellipsoid_fn,
                       loft_y_fn, superellipsoid_fn, profile, lerp)
from .png import Canvas, Rect, ValueNoise, mix, scale, disc
from .png import smoothstep as sstep

TEXTURE_SIZE = 256

# --------------------------------------------------------------- skeleton

# (name, parent, bind position in model space, metres)
JOINTS = [
    ("hips", None, (0.0, 0.84, 0.0)),
    ("spine", "hips", (0.0, 0.96, -0.005)),
    ("chest", "spine", (0.0, 1.11, -0.01)),
    ("neck", "chest", (0.0, 1.285, -0.015)),
    ("head", "neck", (0.0, 1.35, -0.005)),
    ("cape", "chest", (0.0, 1.235, -0.125)),
    ("cape_lower", "cape", (0.0, 0.87, -0.175)),
    ("upperarm_L", "chest", (0.185, 1.235, -0.015)),
    ("lowerarm_L", "upperarm_L", (0.215, 0.985, -0.015)),
    ("hand_L", "lowerarm_L", (0.235, 0.77, 0.0)),
    ("upperarm_R", "chest", (-0.185, 1.235, -0.015)),
    ("lowerarm_R", "upperarm_R", (-0.215, 0.985, -0.015)),
    ("hand_R", "lowerarm_R", (-0.235, 0.77, 0.0)),
    ("upperleg_L", "hips", (0.092, 0.815, 0.0)),
    ("lowerleg_L", "upperleg_L", (0.095, 0.455, 0.005)),
    ("foot_L", "lowerleg_L", (0.097, 0.09, -0.01)),
    ("upperleg_R", "hips", (-0.092, 0.815, 0.0)),
    ("lowerleg_R", "upperleg_R", (-0.095, 0.455, 0.005)),
    ("foot_R", "lowerleg_R", (-0.097, 0.09, -0.01)),
]

BIND = {name: pos for name, _, pos in JOINTS}
PARENT = {name: parent for name, parent, _ in JOINTS}


def translation(t):
    return [[1.0, 0.0, 0.0, t[0]], [0.0, 1.0, 0.0, t[1]], [0.0, 0.0, 1.0, t[2]], [0.0, 0.0, 0.0, 1.0]]


def local_offset(name):
    p = PARENT[name]
    return BIND[name] if p is None else sub(BIND[name], BIND[p])


def skeleton_rows():
    """(name, parent, local bind matrix) rows for the COLLADA writer."""
    return [(n, p, translation(local_offset(n))) for n, p, _ in JOINTS]


def inverse_binds():
    return {n: translation(mul(BIND[n], -1.0)) for n, _, _ in JOINTS}


# ----------------------------------------------------------------- texture

R_CAPE = Rect(0, 0, 128, 128)
R_HOOD = Rect(192, 192, 256, 256)
R_MANTLE = Rect(128, 160, 192, 192)
R_LINING = Rect(128, 0, 192, 64)
R_LEATHER = Rect(192, 0, 256, 64)
R_TROUSERS = Rect(128, 64, 192, 128)
R_FACE = Rect(192, 64, 256, 128)
R_TUNIC = Rect(0, 128, 128, 192)
R_GOLD = Rect(128, 128, 160, 160)
R_STEEL = Rect(160, 128, 192, 160)
R_BOOT = Rect(192, 128, 256, 192)
R_SLEEVE = Rect(0, 192, 64, 256)
R_HOODIN = Rect(64, 192, 128, 256)
R_SKIN = Rect(128, 192, 160, 224)
R_HILT = Rect(160, 192, 192, 224)


def make_texture():
    c = Canvas(TEXTURE_SIZE, TEXTURE_SIZE, (40, 40, 44))
    n1 = ValueNoise(11, 8)
    n2 = ValueNoise(12, 16)
    n3 = ValueNoise(13, 4)

    def weave(u, v, base, amount=0.10, freq=48):
        # fine cloth weave plus blotchy wear
        w = 0.5 + 0.5 * math.sin(u * freq * TAU) * math.sin(v * freq * TAU)
        k = 1.0 + amount * (w - 0.5) + 0.25 * (n1.fbm(u, v) - 0.5) + 0.10 * (n2(u, v) - 0.5)
        return scale(base, k)

    cloak = (60, 68, 90)
    trim = (150, 118, 66)

    def cape_fn(u, v):
        col = weave(u, v, cloak)
        # darker, worn hem toward v = 0 and a stitched trim above it
        col = scale(col, 0.72 + 0.28 * sstep(0.0, 0.14, v))
        if abs(v - 0.07) < 0.012 or u < 0.025 or u > 0.975:
            col = mix(col, trim, 0.55)
        # embroidered emblem between the shoulder blades: a diamond round a
        # dagger (symmetric, so it reads the same in a mirrored view)
        du, dv = abs(u - 0.5) * 1.25, abs(v - 0.70)
        if abs(du + dv - 0.13) < 0.010:
            col = mix(col, trim, 0.8)
        if abs(u - 0.5) < 0.008 and 0.60 < v < 0.80:
            col = mix(col, (170, 172, 180), 0.8)
        if abs(v - 0.765) < 0.008 and abs(u - 0.5) < 0.035:
            col = mix(col, trim, 0.9)
        return col

    def mantle_fn(u, v):
        col = weave(u, v, cloak)
        col = scale(col, 0.8 + 0.2 * sstep(0.0, 0.3, v))
        if abs(v - 0.16) < 0.035:
            col = mix(col, trim, 0.55)
        return col

    def hood_fn(u, v):
        return scale(weave(u, v, cloak), 0.95 + 0.1 * n3(u, v))

    c.paint_region(R_CAPE, cape_fn)
    c.paint_region(R_MANTLE, mantle_fn)
    c.paint_region(R_HOOD, hood_fn)
    c.paint_region(R_LINING, lambda u, v: weave(u, v, (92, 22, 30), 0.08, 24))
    c.paint_region(R_HOODIN, lambda u, v: weave(u, v, (20, 20, 26), 0.05, 24))

    def leather_fn(u, v):
        base = (96, 62, 36)
        k = 1.0 + 0.35 * (n2.fbm(u * 2, v * 2) - 0.5)
        col = scale(base, k)
        # stitched edges along both long borders
        for e in (0.12, 0.88):
            if abs(v - e) < 0.025 and (int(u * 40) % 2 == 0):
                col = mix(col, (160, 130, 90), 0.7)
        return col

    c.paint_region(R_LEATHER, leather_fn)

    def boot_fn(u, v):
        base = (74, 46, 28)
        col = scale(base, 1.0 + 0.3 * (n2.fbm(u * 2, v * 3) - 0.5))
        # two buckled straps around the shaft and a pale cuff at the top
        for s in (0.45, 0.72):
            if abs(v - s) < 0.04:
                col = (46, 30, 20)
                if abs(u - 0.25) < 0.035:
                    col = (190, 160, 80)
        if v > 0.9:
            col = mix(col, (120, 86, 56), 0.7)
        if v < 0.06:
            col = (30, 24, 20)  # sole
        return col

    c.paint_region(R_BOOT, boot_fn)

    def trousers_fn(u, v):
        col = weave(u, v, (58, 56, 60), 0.12, 32)
        if abs(u - 0.25) < 0.01 or abs(u - 0.75) < 0.01:  # side seams
            col = scale(col, 0.7)
        return col

    c.paint_region(R_TROUSERS, trousers_fn)

    def tunic_fn(u, v):
        col = weave(u, v, (78, 66, 52), 0.12, 40)
        # vertical quilting lines
        if (u * 16) % 1.0 < 0.06:
            col = scale(col, 0.8)
        # a leather strap across the chest from the right shoulder (u ~ 0.75 at
        # the top) to the left hip: on the unrolled torso a slanted band
        d = abs((v - 0.5) - 1.1 * (u - 0.5))
        if d < 0.05 and 0.2 < v < 0.95:
            col = mix((90, 58, 34), (60, 38, 22), n2(u * 3, v * 3))
        return col

    c.paint_region(R_TUNIC, tunic_fn)
    c.paint_region(R_SLEEVE, lambda u, v: scale(weave(u, v, (70, 60, 50), 0.14, 24),
                                                0.85 if (v * 6) % 1.0 < 0.08 else 1.0))

    skin = (206, 164, 132)

    def face_fn(u, v):
        col = scale(skin, 1.0 + 0.08 * (n3(u * 2, v * 2) - 0.5))
        front = sstep(0.25, 0.33, u) * (1 - sstep(0.67, 0.75, u))
        # cheeks a little warmer
        col = mix(col, (210, 140, 120), 0.25 * (disc(u, v, 0.43, 0.44, 0.05) + disc(u, v, 0.57, 0.44, 0.05)))
        # eyes: white, dark iris
        for eu in (0.455, 0.545):
            e = disc(u, v, eu, 0.555, 0.026, 1.0)
            col = mix(col, (235, 232, 225), e)
            col = mix(col, (40, 30, 24), disc(u, v, eu, 0.55, 0.013))
            # brow
            if abs(v - 0.615) < 0.012 and abs(u - eu) < 0.03:
                col = (60, 40, 30)
        # a dark cloth mask over mouth and nose
        if v < 0.47 and front > 0:
            col = mix(col, weave(u, v, (34, 34, 40), 0.1, 40), front)
        # shadowed crown (under the hood nothing but dark hair)
        col = mix(col, (40, 30, 26), sstep(0.66, 0.74, v))
        # back of the head: hair
        back = 1 - front
        col = mix(col, (46, 34, 28), back * sstep(0.45, 0.55, v))
        return col

    c.paint_region(R_FACE, face_fn)
    c.paint_region(R_SKIN, lambda u, v: scale(skin, 1.0 + 0.08 * (n3(u, v) - 0.5)))

    def gold_fn(u, v):
        k = 0.8 + 0.5 * (0.5 + 0.5 * math.sin((u + v) * 9))
        return scale((214, 170, 64), k)

    c.paint_region(R_GOLD, gold_fn)
    c.paint_region(R_STEEL, lambda u, v: scale((150, 156, 166), 0.8 + 0.4 * (0.5 + 0.5 * math.sin(v * 12))))
    c.paint_region(R_HILT, lambda u, v: (50, 34, 26) if (v * 10) % 1.0 > 0.3 else (110, 80, 50))
    return c


# -------------------------------------------------------------------- mesh

def rigid(j):
    return lambda p, u, v: [(j, 1.0)]


def limb_weights(p0, p1, joint, parent, child, top=(-0.18, 0.10), bottom=(0.86, 1.14)):
    """Blend a limb segment into its parent near p0 and into its child near p1,
    by the position's projection along the bone (0 at p0, 1 at p1)."""
    d = sub(p1, p0)
    L2 = dot(d, d)

    def fn(p, u, v):
        t = dot(sub(p, p0), d) / L2
        w = []
        s0 = smoothstep(top[0], top[1], t) if parent else 1.0
        s1 = smoothstep(bottom[0], bottom[1], t) if child else 0.0
        if parent:
            w.append((parent, 1.0 - s0))
        w.append((joint, s0 * (1.0 - s1)))
        if child:
            w.append((child, s1))
        return w

    return fn


def torso_weights(p, u, v):
    y = p[1]
    sh = smoothstep(0.86, 1.0, y)
    sc = smoothstep(1.0, 1.16, y)
    sn = 0.6 * smoothstep(1.27, 1.34, y)
    w = [("hips", 1 - sh), ("spine", sh * (1 - sc)), ("chest", sc * (1 - sn)), ("neck", sn)]
    # the lower flanks of the pelvis follow the thighs a little
    if y < 0.84 and abs(p[0]) > 0.03:
        side = "upperleg_L" if p[0] > 0 else "upperleg_R"
        k = 0.35 * smoothstep(0.84, 0.76, y) * smoothstep(0.03, 0.09, abs(p[0]))
        w = [(j, x * (1 - k)) for j, x in w] + [(side, k)]
    return w


def build_mesh():
    m = MeshBuilder()

    # ---- torso: pelvis, waist, chest and shoulders, closed at both ends
    torso_rows = [
        # t,    y,    rx,    rz,    cx,   cz
        (0.00, 0.730, 0.000, 0.000, 0.0, 0.000),
        (0.06, 0.745, 0.110, 0.080, 0.0, 0.000),
        (0.16, 0.800, 0.150, 0.102, 0.0, 0.002),
        (0.32, 0.900, 0.137, 0.094, 0.0, 0.000),
        (0.55, 1.060, 0.160, 0.108, 0.0, 0.004),
        (0.74, 1.190, 0.172, 0.100, 0.0, -0.008),
        (0.86, 1.250, 0.150, 0.085, 0.0, -0.012),
        (0.94, 1.290, 0.080, 0.060, 0.0, -0.014),
        (1.00, 1.300, 0.000, 0.000, 0.0, -0.014),
    ]
    fn, out = loft_y_fn(torso_rows)
    m.grid(fn, 18, 12, R_TUNIC.map, torso_weights, out)

    # ---- belt with buckle, pouch and a dagger at the back
    def belt_rows(grow):
        _, rx0, rz0, _, cz0 = profile(torso_rows, 0.32)
        return [
            (0.00, 0.862, rx0 * 1.00 + grow, rz0 * 1.00 + grow, 0.0, cz0),
            (0.15, 0.866, rx0 * 1.05 + grow, rz0 * 1.07 + grow, 0.0, cz0),
            (0.85, 0.914, rx0 * 1.05 + grow, rz0 * 1.07 + grow, 0.0, cz0),
            (1.00, 0.918, rx0 * 1.00 + grow, rz0 * 1.00 + grow, 0.0, cz0),
        ]

    fn, out = loft_y_fn(belt_rows(0.004))
    m.grid(fn, 18, 3, R_LEATHER.sub(0, 0.15, 1, 0.85), rigid("hips"), out)
    # buckle on the front
    _, rx0, rz0, _, cz0 = profile(torso_rows, 0.32)
    fn, out = superellipsoid_fn((0.0, 0.89, rz0 * 1.07 + 0.012), (0.026, 0.022, 0.008), 0.25)
    m.grid(fn, 8, 6, R_GOLD.map, rigid("hips"), out)
    # pouch on the left hip, toward the back (the side the camera sees)
    c = (rx0 * 0.95 * math.sin(math.radians(125.0)) + 0.02, 0.84, -(rz0 + 0.025) * 0.55)
    axes = (normalize((math.cos(math.radians(40)), 0, math.sin(math.radians(40)))), (0, 1, 0),
            normalize((-math.sin(math.radians(40)), 0, math.cos(math.radians(40)))))
    fn, out = superellipsoid_fn(c, (0.035, 0.045, 0.03), 0.4, axes)
    m.grid(fn, 10, 8, R_LEATHER.map, rigid("hips"), out)
    # pouch flap
    fc = add(c, (0.0, 0.03, 0.0))
    fn, out = superellipsoid_fn(fc, (0.039, 0.018, 0.034), 0.3, axes)
    m.grid(fn, 10, 5, R_BOOT.sub(0.05, 0.5, 0.45, 0.7), rigid("hips"), out)
    # dagger: sheath slanting across the lower back, grip and pommel above it
    tilt = math.radians(35)
    sd = (math.sin(tilt), -math.cos(tilt), 0.0)          # down along the blade
    top = (-0.07, 0.90, -0.118)
    tip = add(top, mul(sd, 0.20))
    fn, out = capsule_fn(top, tip, 0.020, 0.008, flat=0.45)
    m.grid(fn, 8, 6, R_BOOT.sub(0.3, 0.1, 0.7, 0.4), rigid("hips"), out)
    guard = add(top, mul(sd, -0.006))
    fn, out = capsule_fn(add(guard, mul((math.cos(tilt), math.sin(tilt), 0), 0.035)),
                         add(guard, mul((math.cos(tilt), math.sin(tilt), 0), -0.035)), 0.008, 0.008)
    m.grid(fn, 6, 4, R_GOLD.map, rigid("hips"), out)
    grip_end = add(top, mul(sd, -0.075))
    fn, out = capsule_fn(guard, grip_end, 0.009, 0.009)
    m.grid(fn, 6, 4, R_HILT.map, rigid("hips"), out)
    fn, out = ellipsoid_fn(add(grip_end, mul(sd, -0.008)), (0.014, 0.014, 0.014))
    m.grid(fn, 6, 4, R_GOLD.map, rigid("hips"), out)

    # ---- legs: trousers, knee-high boots, feet
    for side, sx in (("L", 1.0), ("R", -1.0)):
        hip, knee, ankle = BIND["upperleg_" + side], BIND["lowerleg_" + side], BIND["foot_" + side]
        hip_top = add(hip, (0.0, 0.03, 0.0))
        fn, out = capsule_fn(hip_top, knee, 0.078, 0.056)
        m.grid(fn, 10, 8, R_TROUSERS.map,
               limb_weights(hip_top, knee, "upperleg_" + side, "hips", "lowerleg_" + side,
                            top=(-0.1, 0.12), bottom=(0.85, 1.1)), out)
        fn, out = capsule_fn(knee, add(ankle, (0.0, 0.03, 0.0)), 0.055, 0.042)
        m.grid(fn, 10, 7, R_TROUSERS.map,
               limb_weights(knee, ankle, "lowerleg_" + side, "upperleg_" + side, "foot_" + side,
                            top=(-0.12, 0.1), bottom=(0.9, 1.1)), out)
        # boot shaft, flared cuff at the top
        boot_rows = [
            (0.00, 0.035, 0.050, 0.056, 0.0, 0.0),
            (0.70, 0.250, 0.056, 0.060, 0.0, 0.0),
            (0.86, 0.300, 0.066, 0.068, 0.0, 0.0),
            (1.00, 0.318, 0.060, 0.062, 0.0, 0.0),
        ]

        def boot_fn(u, v, sx=sx, ankle=ankle, knee=knee):
            y, rx, rz, _, _ = profile(boot_rows, v)
            f = (y - ankle[1]) / (knee[1] - ankle[1])
            cx = ankle[0] + (knee[0] - ankle[0]) * f
            cz = ankle[2] + (knee[2] - ankle[2]) * f
            ph = TAU * u
            return (cx + rx * math.sin(ph), y, cz - rz * math.cos(ph))

        def boot_out(p, u, v, ankle=ankle):
            return (p[0] - ankle[0], 0.0, p[2] - ankle[2])

        def boot_w(p, u, v, side=side):
            s = smoothstep(0.16, 0.07, p[1])
            return [("lowerleg_" + side, 1 - s), ("foot_" + side, s)]

        m.grid(boot_fn, 10, 5, R_BOOT.map, boot_w, boot_out)

        # foot: boxy rounded shoe from heel to toe, flat sole on y = 0
        foot_rows = [
            # t,   z,     half width, height
            (0.00, -0.075, 0.000, 0.000),
            (0.05, -0.072, 0.036, 0.070),
            (0.25, -0.040, 0.048, 0.105),
            (0.55, 0.050, 0.050, 0.085),
            (0.85, 0.135, 0.042, 0.050),
            (0.95, 0.160, 0.030, 0.036),
            (1.00, 0.168, 0.000, 0.000),
        ]

        def foot_fn(u, v, cx=ankle[0]):
            z, hw, h = profile(foot_rows, v)
            ph = TAU * u
            x = cx + hw * math.copysign(abs(math.cos(ph)) ** 0.6, math.cos(ph))
            y = h * 0.5 + h * 0.5 * math.copysign(abs(math.sin(ph)) ** 0.5, math.sin(ph))
            return (x, y + 0.002, z)

        def foot_out(p, u, v, cx=ankle[0]):
            z, hw, h = profile(foot_rows, v)
            return (p[0] - cx, p[1] - h * 0.5, 0.0 if 0.05 < v < 0.95 else (p[2] - 0.05))

        m.grid(foot_fn, 10, 8, R_BOOT.sub(0.0, 0.0, 1.0, 0.4), rigid("foot_" + side), foot_out)

        # ---- arms: sleeves, leather bracers, gloved hands
        sh, el, wr = BIND["upperarm_" + side], BIND["lowerarm_" + side], BIND["hand_" + side]
        sh_top = add(sh, (0.0, 0.02, 0.0))
        fn, out = capsule_fn(sh_top, el, 0.054, 0.043)
        m.grid(fn, 10, 8, R_SLEEVE.map,
               limb_weights(sh_top, el, "upperarm_" + side, "chest", "lowerarm_" + side,
                            top=(-0.25, -0.02), bottom=(0.85, 1.1)), out)
        fn, out = capsule_fn(el, wr, 0.042, 0.033)
        m.grid(fn, 10, 7, R_SLEEVE.map,
               limb_weights(el, wr, "lowerarm_" + side, "upperarm_" + side, "hand_" + side,
                            top=(-0.12, 0.1), bottom=(0.95, 1.1)), out)
        br0 = lerp(el, wr, 0.45)
        br1 = lerp(el, wr, 1.02)
        fn, out = capsule_fn(br0, br1, 0.040, 0.037, cap=0.12)
        m.grid(fn, 10, 4, R_LEATHER.map,
               limb_weights(el, wr, "lowerarm_" + side, None, "hand_" + side, bottom=(0.95, 1.1)), out)
        # hand: flattened mitten with a thumb
        hc = add(wr, (sx * 0.004, -0.058, 0.008))
        fn, out = ellipsoid_fn(hc, (0.024, 0.058, 0.040))
        m.grid(fn, 8, 7, R_LEATHER.sub(0.2, 0.3, 0.8, 0.7), rigid("hand_" + side), out)
        fn, out = capsule_fn(add(wr, (sx * -0.006, -0.03, 0.03)), add(wr, (sx * -0.014, -0.075, 0.045)), 0.014, 0.011)
        m.grid(fn, 6, 4, R_LEATHER.sub(0.2, 0.3, 0.8, 0.7), rigid("hand_" + side), out)

    # ---- neck and head
    fn, out = capsule_fn((0.0, 1.25, -0.015), (0.0, 1.37, -0.005), 0.048, 0.045)
    m.grid(fn, 10, 4, R_SKIN.map,
           lambda p, u, v: [("chest", 1 - smoothstep(1.27, 1.33, p[1])),
                            ("neck", smoothstep(1.27, 1.33, p[1]) * (1 - smoothstep(1.35, 1.39, p[1]))),
                            ("head", smoothstep(1.35, 1.39, p[1]))], out)
    head_c = (0.0, 1.435, 0.012)
    fn, out = ellipsoid_fn(head_c, (0.088, 0.106, 0.098))
    m.grid(fn, 16, 10, R_FACE.map,
           lambda p, u, v: [("neck", 1 - smoothstep(1.33, 1.38, p[1])), ("head", smoothstep(1.33, 1.38, p[1]))], out)
    fn, out = ellipsoid_fn((0.0, 1.425, 0.102), (0.012, 0.02, 0.014))
    m.grid(fn, 6, 4, R_FACE.sub(0.45, 0.3, 0.55, 0.4), rigid("head"), out)

    # ---- hood: a deep cowl open at the face, with a point hanging back
    hood_c = (0.0, 1.44, -0.004)
    hood_r = (0.128, 0.142, 0.146)
    front = normalize((0.0, -0.12, 1.0))
    side_ax = (1.0, 0.0, 0.0)
    up_ax = normalize((0.0, 1.0, 0.12))
    tip_dir = normalize((0.0, 0.45, -1.0))
    a0 = math.radians(50)

    def hood_dir(u, v):
        al = a0 + (math.pi - a0) * v
        be = TAU * u
        return add(mul(front, math.cos(al)),
                   mul(add(mul(side_ax, math.cos(be)), mul(up_ax, math.sin(be))), math.sin(al)))

    def hood_point(u, v, shrink=1.0):
        d = hood_dir(u, v)
        k = 1.0 + 0.62 * max(0.0, dot(d, tip_dir)) ** 5
        # the lower rim drops to drape on the mantle
        k *= 1.0 + 0.12 * max(0.0, -d[1]) ** 2
        return (hood_c[0] + hood_r[0] * d[0] * k * shrink,
                hood_c[1] + hood_r[1] * d[1] * k * shrink,
                hood_c[2] + hood_r[2] * d[2] * k * shrink)

    def hood_w(p, u, v):
        s = smoothstep(1.38, 1.31, p[1])
        t = smoothstep(1.30, 1.26, p[1])
        return [("head", 1 - s), ("neck", s * (1 - t)), ("chest", t)]

    m.grid(lambda u, v: hood_point(u, v), 20, 10, R_HOOD.map, hood_w,
           lambda p, u, v: sub(p, hood_c), two_sided=True, inner_uvmap=R_HOODIN.map, thickness=0.006)
    # rolled rim around the face opening
    def rim_fn(u, v):
        po = hood_point(u, 0.0)
        pi = sub(po, mul(normalize(sub(po, hood_c)), 0.012))
        b = math.pi * v
        mid = lerp(po, pi, 0.5)
        rad = mul(normalize(sub(po, hood_c)), 0.006 * math.cos(b))
        return add(add(mid, rad), mul(front, 0.008 * math.sin(b)))

    m.grid(rim_fn, 20, 3, R_MANTLE.sub(0.0, 0.1, 1.0, 0.22), hood_w, lambda p, u, v: add(sub(p, hood_c), mul(front, 0.2)))

    # ---- mantle: a short cloak over the shoulders, open at the bottom
    mantle_rows = [
        # t,    y,     rx,    rz,    cx,  cz
        (0.00, 1.345, 0.080, 0.072, 0.0, -0.012),
        (0.18, 1.330, 0.125, 0.100, 0.0, -0.014),
        (0.45, 1.305, 0.205, 0.128, 0.0, -0.016),
        (0.65, 1.265, 0.245, 0.148, 0.0, -0.016),
        (0.85, 1.180, 0.268, 0.166, 0.0, -0.018),
        (1.00, 1.080, 0.276, 0.178, 0.0, -0.020),
    ]

    def mantle_fn(u, v):
        y, rx, rz, cx, cz = profile(mantle_rows, v)
        ph = TAU * u
        # scalloped hem
        y += 0.018 * v * v * math.cos(ph * 7)
        return (cx + rx * math.sin(ph), y, cz - rz * math.cos(ph))

    def mantle_w(p, u, v):
        w = [("chest", 1.0)]
        ax = abs(p[0])
        k = 0.4 * smoothstep(0.15, 0.25, ax) * smoothstep(1.30, 1.20, p[1])
        if k > 0:
            w = [("chest", 1 - k), ("upperarm_L" if p[0] > 0 else "upperarm_R", k)]
        n = smoothstep(1.32, 1.345, p[1]) * 0.5
        return [(j, x * (1 - n)) for j, x in w] + [("neck", n)]

    m.grid(mantle_fn, 28, 6, lambda u, v: R_MANTLE.map(u, 1.0 - v), mantle_w,
           lambda p, u, v: (p[0], 0.5 * (p[1] - 1.2), p[2] + 0.016), two_sided=True,
           inner_uvmap=R_LINING.map, thickness=0.006)

    # ---- cape: hangs from under the mantle to the knees, ragged hem
    cape_top = 1.22
    cape_len = 0.70

    def cape_fn(u, v):
        th = math.radians(-78 + 156 * u)
        tooth = abs(((u * 7.0) % 1.0) - 0.5) * 2.0     # 0..1 sawtooth
        L = cape_len * (1.0 - 0.07 * tooth - 0.04 * math.cos(math.pi * (2 * u - 1)) ** 2)
        y = cape_top - L * v
        rx = 0.185 + 0.07 * v
        rz = 0.130 + 0.07 * v
        # soft folds
        fold = 0.010 * v * math.sin(th * 9)
        return ((rx + fold) * math.sin(th), y, -0.012 - (rz + fold) * math.cos(th))

    def cape_w(p, u, v):
        s = smoothstep(0.02, 0.30, v)
        t = smoothstep(0.40, 0.70, v)
        return [("chest", 1 - s), ("cape", s * (1 - t)), ("cape_lower", s * t)]

    m.grid(cape_fn, 28, 7, lambda u, v: R_CAPE.map(u, 1.0 - v), cape_w,
           lambda p, u, v: (p[0], 0.0, p[2] + 0.012), two_sided=True, inner_uvmap=R_LINING.map,
           thickness=0.006)
    return m
