"""The thief's five animation clips, written as functions of time.

Each clip returns, per joint, an Euler rotation in degrees (applied x, then
y, then z, about the joint's parent-aligned axes) and for the hips a
translation, both relative to the bind pose. Conventions, with the thief
facing +z: a positive x rotation swings a hanging limb backwards (and bends
a knee), a negative one swings it forwards (and bends an elbow); positive z
lifts the left arm (+x side) sideways, negative z the right arm; a positive
x rotation of the spine leans the body forwards; positive x on the cape
lifts its hem backwards."""

import math

from .geometry import smoothstep, profile
from .thief import JOINTS, BIND, local_offset

TAU = 2.0 * math.pi
FPS = 30


def rot_matrix(rx, ry, rz):
    """Rz * Ry * Rx as 3x3 rows (degrees)."""
    ax, ay, az = math.radians(rx), math.radians(ry), math.radians(rz)
    cx, sx = math.cos(ax), math.sin(ax)
    cy, sy = math.cos(ay), math.sin(ay)
    cz, sz = math.cos(az), math.sin(az)
    X = [[1, 0, 0], [0, cx, -sx], [0, sx, cx]]
    Y = [[cy, 0, sy], [0, 1, 0], [-sy, 0, cy]]
    Z = [[cz, -sz, 0], [sz, cz, 0], [0, 0, 1]]

    def mm(a, b):
        return [[sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3)] for i in range(3)]

    return mm(Z, mm(Y, X))


def joint_matrix(name, rot, move):
    t = local_offset(name)
    r = rot_matrix(*rot)
    return [[r[0][0], r[0][1], r[0][2], t[0] + move[0]],
            [r[1][0], r[1][1], r[1][2], t[1] + move[1]],
            [r[2][0], r[2][1], r[2][2], t[2] + move[2]],
            [0.0, 0.0, 0.0, 1.0]]


class Pose(dict):
    """joint -> (rx, ry, rz); `move` is the hips' translation."""

    def __init__(self):
        super().__init__()
        self.move = (0.0, 0.0, 0.0)

    def r(self, joint, x=0.0, y=0.0, z=0.0):
        self[joint] = (x, y, z)


def matmul4(a, b):
    return [[sum(a[i][k] * b[k][j] for k in range(4)) for j in range(4)] for i in range(4)]


def global_matrices(pose):
    """Model-space joint matrices of a pose (parents come first in JOINTS)."""
    out = {}
    for name, parent, _ in JOINTS:
        move = pose.move if name == "hips" else (0.0, 0.0, 0.0)
        local = joint_matrix(name, pose.get(name, (0.0, 0.0, 0.0)), move)
        out[name] = local if parent is None else matmul4(out[parent], local)
    return out


# Points on each sole in bind pose: heel, ball and toe.
_SOLE = [(-0.07, 0.0), (0.06, 0.0), (0.16, 0.0)]


def lowest_sole_point(pose):
    g = global_matrices(pose)
    low = 1e9
    for foot in ("foot_L", "foot_R"):
        m = g[foot]
        fx, fy, fz = BIND[foot]
        for z, y in _SOLE:
            p = (0.0, y - fy, z - fz)   # in the foot joint's frame (bind orientation is identity)
            wy = m[1][0] * p[0] + m[1][1] * p[1] + m[1][2] * p[2] + m[1][3]
            low = min(low, wy)
    return low


def grounded(pose_fn, weight=None):
    """Moves the hips up or down so that the lowest sole point touches y = 0:
    the feet neither sink into the platform nor hover over it. weight(t) in
    [0, 1] limits the correction to the moments the feet are meant to be down."""

    def fn(t):
        pose = pose_fn(t)
        low = lowest_sole_point(pose) * (weight(t) if weight else 1.0)
        mx, my, mz = pose.move
        pose.move = (mx, my - low, mz)
        return pose

    return fn


def _jump_on_ground(t):
    # the crouch at both ends of the clip stands on the platform; the rest is airborne
    return 1.0 - smoothstep(0.04, 0.14, t) * (1.0 - smoothstep(0.86, 0.96, t))


def sample(pose_fn, duration, loop=True, fps=FPS):
    """Keys for every joint: list of (seconds, 4x4 rows), first and last key at
    0 and `duration`. A looping clip's last key is a copy of its first."""
    n = max(2, int(round(duration * fps)))
    keys = {name: [] for name, _, _ in JOINTS}
    for i in range(n + 1):
        t = duration * i / n
        src = 0.0 if (loop and i == n) else t
        pose = pose_fn(src)
        for name, _, _ in JOINTS:
            rot = pose.get(name, (0.0, 0.0, 0.0))
            move = pose.move if name == "hips" else (0.0, 0.0, 0.0)
            keys[name].append((t, joint_matrix(name, rot, move)))
    return keys


# ------------------------------------------------------------------- idle

IDLE_LENGTH = 2.4


def idle_pose(t):
    """Breathing and a slow weight shift. Every term vanishes at t = 0, so the
    clip's first frame is exactly the bind pose."""
    p = Pose()
    ph = TAU * t / IDLE_LENGTH
    s1, s2 = math.sin(ph), math.sin(2 * ph)
    breathe = 0.5 - 0.5 * math.cos(2 * ph)   # two breaths per loop
    p.move = (0.008 * s1, -0.006 * breathe, 0.0)
    p.r("hips", 0.0, 2.0 * s1, 1.6 * s1)
    p.r("spine", -1.2 * breathe, 0.0, -1.0 * s1)
    p.r("chest", -1.8 * breathe, -1.5 * s1, -0.6 * s1)
    p.r("neck", 1.5 * breathe, 0.0, 0.0)
    p.r("head", 1.5 * s2, 7.0 * s1, 1.5 * s1)
    p.r("cape", 2.0 * breathe, 0.0, 2.0 * s1)
    p.r("cape_lower", 2.0 * breathe, 0.0, 1.0 * s1)
    p.r("upperarm_L", 3.0 * s1, 0.0, 2.0 * breathe)
    p.r("upperarm_R", -3.0 * s1, 0.0, -2.0 * breathe)
    p.r("lowerarm_L", -4.0 * breathe, 0.0, 0.0)
    p.r("lowerarm_R", -4.0 * breathe, 0.0, 0.0)
    p.r("hand_L", 0.0, 0.0, 2.0 * s1)
    p.r("hand_R", 0.0, 0.0, -2.0 * s1)
    # hips sway sideways: the legs lean against it to keep the feet planted
    p.r("upperleg_L", -2.0 * breathe, 0.0, -1.6 * s1)
    p.r("upperleg_R", -2.0 * breathe, 0.0, -1.6 * s1)
    p.r("lowerleg_L", 4.0 * breathe, 0.0, 0.0)
    p.r("lowerleg_R", 4.0 * breathe, 0.0, 0.0)
    p.r("foot_L", -2.0 * breathe, 0.0, 0.0)
    p.r("foot_R", -2.0 * breathe, 0.0, 0.0)
    return p


# ---------------------------------------------------------------- running

RUN_LENGTH = 0.7


def leg_cycle(ph):
    """Thigh, knee and foot angles of one leg at gait phase ph (radians)."""
    thigh = -36.0 * math.sin(ph) - 6.0
    knee = 12.0 + 78.0 * ((1.0 + math.cos(ph - 0.5)) * 0.5) ** 2
    foot = 4.0 - 16.0 * math.sin(ph)
    return thigh, knee, foot


def running_pose(t):
    p = Pose()
    ph = TAU * t / RUN_LENGTH
    p.move = (0.0, -0.035 - 0.028 * math.cos(2 * ph), 0.0)
    p.r("hips", 5.0, 9.0 * math.sin(ph), 0.0)
    p.r("spine", 8.0, -6.0 * math.sin(ph), 0.0)
    p.r("chest", 5.0, -6.0 * math.sin(ph), 0.0)
    p.r("neck", -6.0, 3.0 * math.sin(ph), 0.0)
    p.r("head", -8.0 + 2.0 * math.cos(2 * ph), 3.0 * math.sin(ph), 0.0)
    p.r("cape", 34.0 + 8.0 * math.sin(2 * ph), 0.0, 4.0 * math.sin(ph))
    p.r("cape_lower", 16.0 + 10.0 * math.sin(2 * ph - 1.2), 0.0, 3.0 * math.sin(ph - 1.0))
    for side, off, sgn in (("L", 0.0, 1.0), ("R", math.pi, -1.0)):
        thigh, knee, foot = leg_cycle(ph + off)
        p.r("upperleg_" + side, thigh, 0.0, 0.0)
        p.r("lowerleg_" + side, knee, 0.0, 0.0)
        p.r("foot_" + side, foot, 0.0, 0.0)
        s = math.sin(ph + off)
        p.r("upperarm_" + side, 34.0 * s, 0.0, sgn * 9.0)
        p.r("lowerarm_" + side, -62.0 - 18.0 * s, 0.0, 0.0)
        p.r("hand_" + side, -8.0, 0.0, 0.0)
    return p


# ------------------------------------------------------------------- jump

JUMP_LENGTH = 1.0

# Key poses: crouch before take-off, stretched take-off, tucked at the top,
# legs reaching down for the landing, and the crouch again (the clip wraps).
_JUMP_KEYS = [
    # time, hips dy, spine, thigh, knee, foot, arm x, arm z, elbow, cape, head
    (0.00, -0.10, 18.0, -34.0, 62.0, -28.0, 35.0, 10.0, -25.0, 12.0, -6.0),
    (0.16, 0.06, -6.0, 4.0, 6.0, 28.0, -150.0, 16.0, -10.0, 4.0, -10.0),
    (0.45, 0.22, 22.0, -88.0, 118.0, 12.0, -62.0, 28.0, -70.0, 62.0, 4.0),
    (0.78, 0.08, 8.0, -32.0, 40.0, 6.0, -25.0, 55.0, -25.0, 40.0, -4.0),
    (1.00, -0.10, 18.0, -34.0, 62.0, -28.0, 35.0, 10.0, -25.0, 12.0, -6.0),
]


def jump_pose(t):
    p = Pose()
    dy, spine, thigh, knee, foot, arm_x, arm_z, elbow, cape, head = profile(_JUMP_KEYS, t)
    p.move = (0.0, dy, 0.02 * math.sin(math.pi * t))
    p.r("hips", 0.0, 0.0, 0.0)
    p.r("spine", spine * 0.6, 0.0, 0.0)
    p.r("chest", spine * 0.4, 0.0, 0.0)
    p.r("neck", -spine * 0.3, 0.0, 0.0)
    p.r("head", head - spine * 0.2, 0.0, 0.0)
    p.r("cape", cape, 0.0, 0.0)
    p.r("cape_lower", cape * 0.4, 0.0, 0.0)
    # one leg a touch ahead of the other so the pose is not stiffly symmetric
    p.r("upperleg_L", thigh - 6.0, 0.0, 3.0)
    p.r("upperleg_R", thigh + 4.0, 0.0, -3.0)
    p.r("lowerleg_L", knee, 0.0, 0.0)
    p.r("lowerleg_R", knee - 6.0, 0.0, 0.0)
    p.r("foot_L", foot, 0.0, 0.0)
    p.r("foot_R", foot, 0.0, 0.0)
    p.r("upperarm_L", arm_x, 0.0, arm_z)
    p.r("upperarm_R", arm_x, 0.0, -arm_z)
    p.r("lowerarm_L", elbow, 0.0, 0.0)
    p.r("lowerarm_R", elbow, 0.0, 0.0)
    return p


# ---------------------------------------------------------------- dancing

DANCE_LENGTH = 3.2
BEAT = 0.4


def dancing_pose(t):
    """Two bars: bouncing with alternating raised arms, then a twirl with arms
    spread, blending back into the bounce where the clip wraps."""
    p = Pose()
    beat = TAU * t / BEAT
    sway = TAU * t / (2 * BEAT)
    bounce = 0.5 + 0.5 * math.cos(beat)          # 1 on the beat
    twirl = smoothstep(1.45, 1.75, t) * (1.0 - smoothstep(2.95, 3.2, t))
    spin = 360.0 * smoothstep(1.7, 2.9, t)

    bend = 22.0 * bounce
    p.move = (0.045 * math.sin(sway) * (1 - twirl), -0.05 * bounce, 0.0)
    p.r("hips", 0.0, spin + 10.0 * math.sin(sway) * (1 - twirl), 7.0 * math.sin(sway) * (1 - twirl))
    p.r("spine", 4.0, 0.0, -5.0 * math.sin(sway) * (1 - twirl))
    p.r("chest", 2.0, -8.0 * math.sin(sway) * (1 - twirl), -3.0 * math.sin(sway))
    p.r("neck", 0.0, 0.0, 0.0)
    p.r("head", 10.0 * bounce - 5.0, 12.0 * math.sin(sway) * (1 - twirl), 8.0 * math.sin(sway))
    p.r("cape", 10.0 + 25.0 * twirl + 6.0 * bounce, 0.0, 12.0 * twirl * math.sin(beat))
    p.r("cape_lower", 4.0 + 15.0 * twirl + 6.0 * bounce, 0.0, 8.0 * twirl * math.sin(beat - 1.0))
    for side, sgn, off in (("L", 1.0, 0.0), ("R", -1.0, math.pi)):
        # bounce: one arm punches up while the other pumps at the hip
        up = 0.5 + 0.5 * math.cos(sway + off)
        a_x = -20.0 * (1 - up)
        a_z = 20.0 + 140.0 * up
        el = -70.0 + 40.0 * up
        # twirl: arms out, hands waving
        t_x = 18.0 * math.sin(beat + off)
        t_z = 85.0
        t_el = -25.0 - 20.0 * bounce
        p.r("upperarm_" + side, a_x + (t_x - a_x) * twirl, 0.0, sgn * (a_z + (t_z - a_z) * twirl))
        p.r("lowerarm_" + side, el + (t_el - el) * twirl, 0.0, 0.0)
        p.r("hand_" + side, 0.0, 0.0, sgn * 20.0 * math.sin(beat))
        # knees follow the bounce; feet stay flat
        kick = max(0.0, math.sin(sway + off)) * (1 - twirl)
        thigh = -bend - 18.0 * kick
        knee = 2 * bend + 30.0 * kick
        p.r("upperleg_" + side, thigh, 0.0, sgn * 3.0)
        p.r("lowerleg_" + side, knee, 0.0, 0.0)
        p.r("foot_" + side, -bend - 12.0 * kick, 0.0, 0.0)
    return p


# ---------------------------------------------------------------- falling

FALL_LENGTH = 1.0


def falling_pose(t):
    """Windmilling arms, pedalling legs, cape streaming upwards."""
    p = Pose()
    ph = TAU * t / FALL_LENGTH
    p.move = (0.0, 0.03 * math.sin(2 * ph), 0.0)
    p.r("hips", -12.0, 0.0, 6.0 * math.sin(ph))
    p.r("spine", -10.0 + 4.0 * math.sin(2 * ph), 0.0, 0.0)
    p.r("chest", -6.0, 8.0 * math.sin(ph), 0.0)
    p.r("neck", -8.0, 0.0, 0.0)
    p.r("head", -14.0 + 6.0 * math.sin(2 * ph), 20.0 * math.sin(ph), 0.0)
    p.r("cape", 110.0 + 12.0 * math.sin(4 * ph), 0.0, 10.0 * math.sin(2 * ph))
    p.r("cape_lower", 25.0 + 18.0 * math.sin(4 * ph - 1.3), 0.0, 8.0 * math.sin(2 * ph - 1.0))
    for side, sgn, off in (("L", 1.0, 0.0), ("R", -1.0, math.pi)):
        p.r("upperarm_" + side, 45.0 * math.sin(ph + off), 0.0,
            sgn * (115.0 + 30.0 * math.sin(2 * ph + off)))
        p.r("lowerarm_" + side, -35.0 - 25.0 * math.sin(2 * ph + off + 1.0), 0.0, 0.0)
        p.r("hand_" + side, 0.0, 0.0, sgn * 25.0 * math.sin(2 * ph + off))
        p.r("upperleg_" + side, -32.0 + 30.0 * math.sin(2 * ph + off), 0.0, sgn * 8.0)
        p.r("lowerleg_" + side, 55.0 + 35.0 * math.sin(2 * ph + off + 1.3), 0.0, 0.0)
        p.r("foot_" + side, 15.0 * math.sin(2 * ph + off), 0.0, 0.0)
    return p


CLIPS = [
    # file,          pose function, seconds, loops, keys per second
    ("idle.dae", idle_pose, IDLE_LENGTH, True, 15),
    ("running.dae", grounded(running_pose), RUN_LENGTH, True, 30),
    ("jump.dae", grounded(jump_pose, _jump_on_ground), JUMP_LENGTH, True, 25),
    ("dancing.dae", grounded(dancing_pose), DANCE_LENGTH, True, 20),
    ("falling.dae", falling_pose, FALL_LENGTH, True, 25),
]
