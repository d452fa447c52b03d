"""Vector maths and a small mesh builder for parametric surfaces.

Every part of a model is a grid surface P(u, v) over [0, 1]^2. Normals come
from the surface's partial derivatives, so shapes stay smooth without a
modelling program; triangles are wound counter-clockwise seen from the side
the normals point to."""

import math

TAU = 2.0 * math.pi


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def mul(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def normalize(a):
    n = length(a)
    return (0.0, 0.0, 0.0) if n == 0 else (a[0] / n, a[1] / n, a[2] / n)


def lerp(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def lerpf(a, b, t):
    return a + (b - a) * t


def clamp(x, lo=0.0, hi=1.0):
    return lo if x < lo else hi if x > hi else x


def smoothstep(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


def rot_y(p, deg):
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    return (c * p[0] + s * p[2], p[1], -s * p[0] + c * p[2])


def rot_x(p, deg):
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    return (p[0], c * p[1] - s * p[2], s * p[1] + c * p[2])


def rot_z(p, deg):
    a = math.radians(deg)
    c, s = math.cos(a), math.sin(a)
    return (c * p[0] - s * p[1], s * p[0] + c * p[1], p[2])


def sgnpow(x, e):
    """sign(x) * |x|^e: superellipse profiles (e < 1 gives boxy shapes)."""
    return math.copysign(abs(x) ** e, x)


def profile(points, t):
    """Smooth (cosine-eased) interpolation through (t, value...) control rows."""
    if t <= points[0][0]:
        return points[0][1:]
    for a, b in zip(points, points[1:]):
        if t <= b[0]:
            f = (t - a[0]) / (b[0] - a[0])
            f = 0.5 - 0.5 * math.cos(math.pi * f)
            return tuple(x + (y - x) * f for x, y in zip(a[1:], b[1:]))
    return points[-1][1:]


class Vertex:
    __slots__ = ("pos", "normal", "uv", "weights")

    def __init__(self, pos, normal, uv, weights):
        self.pos = pos
        self.normal = normal
        self.uv = uv
        self.weights = weights


def normalise_weights(weights, limit=4):
    """Merge duplicate joints, keep the `limit` largest influences, sum to 1."""
    merged = {}
    for joint, w in weights:
        if w > 1e-4:
            merged[joint] = merged.get(joint, 0.0) + w
    best = sorted(merged.items(), key=lambda kv: -kv[1])[:limit]
    total = sum(w for _, w in best)
    return [(j, w / total) for j, w in best]


class MeshBuilder:
    def __init__(self):
        self.vertices = []
        self.triangles = []

    def add_vertex(self, pos, normal, uv, weights=None):
        self.vertices.append(Vertex(pos, normal, uv, weights or []))
        return len(self.vertices) - 1

    def add_triangle(self, a, b, c):
        """Adds a triangle, wound so that it faces the way its vertex normals do.
        Degenerate triangles (collapsed pole cells) are skipped."""
        pa, pb, pc = self.vertices[a].pos, self.vertices[b].pos, self.vertices[c].pos
        fn = cross(sub(pb, pa), sub(pc, pa))
        if length(fn) < 1e-12:
            return
        vn = add(add(self.vertices[a].normal, self.vertices[b].normal), self.vertices[c].normal)
        if dot(fn, vn) < 0:
            b, c = c, b
        self.triangles.append((a, b, c))

    def grid(self, fn, nu, nv, uvmap, weights=None, outward=None, flip=False,
             two_sided=False, inner_uvmap=None, thickness=0.004):
        """Adds the surface P = fn(u, v) sampled on an nu x nv grid.

        uvmap(u, v) gives the texture coordinate, weights(p, u, v) the skinning
        influences. outward(p, u, v) is a direction the normals should roughly
        follow (majority vote over the grid); flip reverses the result. With
        two_sided a back sheet is added, shifted inwards by `thickness` so the
        two sides never fight in the depth test."""
        eps = 1e-5
        samples = []
        for j in range(nv + 1):
            v = j / nv
            for i in range(nu + 1):
                u = i / nu
                p = fn(u, v)
                vv = clamp(v, 2e-3, 1 - 2e-3)
                du = sub(fn(u + eps, vv), fn(u - eps, vv))
                dv = sub(fn(u, vv + eps), fn(u, vv - eps))
                n = normalize(cross(du, dv))
                samples.append((u, v, p, n))
        if outward is not None:
            vote = 0
            for (u, v, p, n) in samples:
                d = dot(n, outward(p, u, v))
                vote += 1 if d > 0 else -1 if d < 0 else 0
            if vote < 0:
                samples = [(u, v, p, mul(n, -1)) for (u, v, p, n) in samples]
        if flip:
            samples = [(u, v, p, mul(n, -1)) for (u, v, p, n) in samples]

        def emit(offset_sign, mapper, negate):
            base = len(self.vertices)
            for (u, v, p, n) in samples:
                nn = mul(n, -1) if negate else n
                pp = add(p, mul(n, -thickness)) if offset_sign else p
                w = weights(p, u, v) if weights else []
                self.add_vertex(pp, nn, mapper(u, v), normalise_weights(w) if w else [])
            for j in range(nv):
                for i in range(nu):
                    a = base + j * (nu + 1) + i
                    b = a + 1
                    c = a + (nu + 1) + 1
                    d = a + (nu + 1)
                    self.add_triangle(a, b, c)
                    self.add_triangle(a, c, d)

        emit(False, uvmap, False)
        if two_sided:
            emit(True, inner_uvmap or uvmap, True)

    def transformed(self, fn_pos, fn_dir):
        """A copy with positions mapped by fn_pos and normals by fn_dir."""
        out = MeshBuilder()
        for v in self.vertices:
            out.vertices.append(Vertex(fn_pos(v.pos), normalize(fn_dir(v.normal)), v.uv, list(v.weights)))
        out.triangles = list(self.triangles)
        return out

    def extend(self, other):
        base = len(self.vertices)
        self.vertices.extend(other.vertices)
        self.triangles.extend((a + base, b + base, c + base) for (a, b, c) in other.triangles)

    def bounds(self):
        xs = [v.pos[0] for v in self.vertices]
        ys = [v.pos[1] for v in self.vertices]
        zs = [v.pos[2] for v in self.vertices]
        return (min(xs), min(ys), min(zs)), (max(xs), max(ys), max(zs))


# ---------------------------------------------------------------- primitives

def frame_for(axis):
    """Two unit vectors perpendicular to `axis` (and to each other)."""
    d = normalize(axis)
    ref = (0.0, 0.0, 1.0) if abs(d[2]) < 0.9 else (1.0, 0.0, 0.0)
    e1 = normalize(cross(ref, d))
    e2 = cross(d, e1)
    return d, e1, e2


def capsule_fn(p0, p1, r0, r1, flat=1.0, cap=0.18, twist=0.0):
    """Tapered capsule from p0 (radius r0) to p1 (radius r1), rounded ends.

    v runs from the p0 end (0) to the p1 end (1); u around the axis. `flat`
    scales the cross-section along the second frame axis."""
    d, e1, e2 = frame_for(sub(p1, p0))
    L = length(sub(p1, p0))

    def fn(u, v):
        if v < cap:
            th = (v / cap - 1.0) * (math.pi / 2)      # -90..0 degrees
            ax = r0 * math.sin(th)
            r = r0 * math.cos(th)
        elif v > 1.0 - cap:
            th = ((v - (1.0 - cap)) / cap) * (math.pi / 2)
            ax = L + r1 * math.sin(th)
            r = r1 * math.cos(th)
        else:
            f = (v - cap) / (1.0 - 2 * cap)
            ax = L * f
            r = r0 + (r1 - r0) * f
        a = TAU * u + twist
        off = add(mul(e1, r * math.cos(a)), mul(e2, r * flat * math.sin(a)))
        return add(add(p0, mul(d, ax)), off)

    def outward(p, u, v):
        t = clamp(dot(sub(p, p0), d) / L) if L > 0 else 0.0
        return sub(p, add(p0, mul(d, L * t)))

    return fn, outward


def ellipsoid_fn(c, r, bulge=None):
    """Ellipsoid with centre c and radii r; v from the -y pole to the +y pole,
    u around y starting at -z (the back) through +x."""

    def fn(u, v):
        th = math.pi * v
        ph = TAU * u
        dx = math.sin(th) * math.sin(ph)
        dy = -math.cos(th)
        dz = -math.sin(th) * math.cos(ph)
        k = bulge((dx, dy, dz)) if bulge else 1.0
        return (c[0] + r[0] * dx * k, c[1] + r[1] * dy * k, c[2] + r[2] * dz * k)

    def outward(p, u, v):
        return sub(p, c)

    return fn, outward


def loft_y_fn(rows, y0=None, y1=None):
    """Surface of revolution-like loft around the y axis.

    rows: control rows (t, y, rx, rz, cx, cz) with t in [0, 1]; each ring is an
    ellipse of radii rx, rz centred at (cx, y, cz). u starts at the back (-z)."""

    def fn(u, v):
        y, rx, rz, cx, cz = profile(rows, v)
        ph = TAU * u
        return (cx + rx * math.sin(ph), y, cz - rz * math.cos(ph))

    def outward(p, u, v):
        y, rx, rz, cx, cz = profile(rows, v)
        return (p[0] - cx, 0.0, p[2] - cz)

    return fn, outward


def superellipsoid_fn(c, r, e=0.35, axes=None):
    """Rounded box: superellipsoid with exponent e (small e = boxy).

    axes: optional three unit vectors (local x, y, z) to orient it."""
    ax = axes or ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))

    def fn(u, v):
        th = math.pi * v - math.pi / 2
        ph = TAU * u
        ct, st = math.cos(th), math.sin(th)
        lx = r[0] * sgnpow(ct, e) * sgnpow(math.sin(ph), e)
        ly = r[1] * sgnpow(st, e)
        lz = -r[2] * sgnpow(ct, e) * sgnpow(math.cos(ph), e)
        return add(c, add(add(mul(ax[0], lx), mul(ax[1], ly)), mul(ax[2], lz)))

    def outward(p, u, v):
        return sub(p, c)

    return fn, outward


def torus_fn(c, R, r, axis=(0.0, 1.0, 0.0), Rz=None):
    """Torus around `axis` through c: ring radius R (R, Rz for an elliptic ring),
    tube radius r. u runs along the ring, v around the tube."""
    d, e1, e2 = frame_for(axis)
    Rz = R if Rz is None else Rz

    def ring(u):
        a = TAU * u
        return add(c, add(mul(e1, R * math.cos(a)), mul(e2, Rz * math.sin(a))))

    def fn(u, v):
        a = TAU * u
        b = TAU * v
        radial = normalize(add(mul(e1, R * math.cos(a) / (R * R)), mul(e2, Rz * math.sin(a) / (Rz * Rz))))
        return add(ring(u), add(mul(radial, r * math.cos(b)), mul(d, r * math.sin(b))))

    def outward(p, u, v):
        return sub(p, ring(u))

    return fn, outward


def cylinder_fn(c, axis, radius, height, e=1.0, rim=0.08):
    """Closed cylinder (coin, disc, drum): centre c, along `axis`, with slightly
    rounded rims. v runs bottom centre -> bottom rim -> side -> top rim -> top
    centre. e < 1 squares the cross-section."""
    d, e1, e2 = frame_for(axis)
    h = height / 2.0

    def fn(u, v):
        a = TAU * u
        # piecewise profile: (radius fraction, height fraction)
        if v < 0.3:
            f = v / 0.3
            rr, hh = radius * (1 - rim) * f, -h
        elif v < 0.4:
            f = (v - 0.3) / 0.1
            ang = -math.pi / 2 + f * math.pi / 2
            rr = radius * (1 - rim) + radius * rim * math.cos(ang)
            hh = -h + min(h, radius * rim) * (1 + math.sin(ang))
        elif v < 0.6:
            f = (v - 0.4) / 0.2
            rr = radius
            lo = -h + min(h, radius * rim)
            hh = lo + (-2 * lo) * f
        elif v < 0.7:
            f = (v - 0.6) / 0.1
            ang = f * math.pi / 2
            rr = radius * (1 - rim) + radius * rim * math.cos(ang)
            hh = h - min(h, radius * rim) * (1 - math.sin(ang))
        else:
            f = (1 - v) / 0.3
            rr, hh = radius * (1 - rim) * f, h
        ca, sa = math.cos(a), math.sin(a)
        return add(c, add(add(mul(e1, rr * sgnpow(ca, e)), mul(e2, rr * sgnpow(sa, e))), mul(d, hh)))

    def outward(p, u, v):
        q = sub(p, c)
        hh = dot(q, d)
        if v < 0.3:
            return mul(d, -1)
        if v > 0.7:
            return d
        return sub(q, mul(d, hh))

    return fn, outward


def add_box(mesh, lo, hi, uvmap, weights=None):
    """Axis-aligned box with flat faces; uvmap(face, a, b) maps the face's own
    (a, b) in [0, 1]^2 (a across, b upwards or backwards) to a texture point.
    Faces: '+x', '-x', '+y', '-y', '+z', '-z'."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    faces = {
        "+z": ((x0, y0, z1), (x1, y0, z1), (x0, y1, z1), (0, 0, 1)),
        "-z": ((x1, y0, z0), (x0, y0, z0), (x1, y1, z0), (0, 0, -1)),
        "+x": ((x1, y0, z1), (x1, y0, z0), (x1, y1, z1), (1, 0, 0)),
        "-x": ((x0, y0, z0), (x0, y0, z1), (x0, y1, z0), (-1, 0, 0)),
        "+y": ((x0, y1, z1), (x1, y1, z1), (x0, y1, z0), (0, 1, 0)),
        "-y": ((x0, y0, z0), (x1, y0, z0), (x0, y0, z1), (0, -1, 0)),
    }
    for name, (o, pa, pb, n) in faces.items():
        ea = sub(pa, o)
        eb = sub(pb, o)
        idx = []
        for (a, b) in ((0, 0), (1, 0), (1, 1), (0, 1)):
            p = add(o, add(mul(ea, a), mul(eb, b)))
            idx.append(mesh.add_vertex(p, n, uvmap(name, a, b), weights or []))
        mesh.add_triangle(idx[0], idx[1], idx[2])
        mesh.add_triangle(idx[0], idx[2], idx[3])
