#!/usr/bin/python3
"""Refines the colour blocks of a DXT1/DXT3/DXT5 file's top level against its source.

Usage: dxt_refit.py SOURCE.pam FILE.dds
Rewrites FILE.dds in place.

nvcompress (the only Debian tool here that writes DXT3) picks the endpoints of a block
reasonably but often assigns pixels to a clearly worse palette entry, and ImageMagick's fast
endpoint search is rough too (its cluster fit takes minutes per image). Starting from the
encoder's blocks, each pass gives every pixel the nearest of its block's four colours, then
solves the endpoints by least squares for those assignments; a block keeps whichever
encoding has the smaller error, so it never gets worse.

Every block ends up in the four-colour order colour0 > colour1: some decoders read
colour0 <= colour1 as DXT1's three-colour mode with a black entry, even in DXT3/DXT5, and
in DXT1 that mode would punch transparent holes into an opaque surface. Alpha data and any
stored smaller levels stay as they are.
"""

import struct
import sys

import numpy as np


def read_pam(path):
    with open(path, "rb") as f:
        data = f.read()
    end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
    fields = {}
    for line in data[:end].decode("ascii").splitlines()[1:-1]:
        key, _, value = line.partition(" ")
        fields[key] = value
    w, h, depth = int(fields["WIDTH"]), int(fields["HEIGHT"]), int(fields["DEPTH"])
    return np.frombuffer(data[end:end + w * h * depth], np.uint8).reshape(h, w, depth)


def expand565(c):
    r, g, b = (c >> 11) & 31, (c >> 5) & 63, c & 31
    return np.stack([(r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)], axis=-1)


def quantize565(rgb):
    """Nearest RGB565 code of float colours (..., 3)."""
    r = np.clip(np.rint(rgb[..., 0] * 31.0 / 255.0), 0, 31).astype(np.int64)
    g = np.clip(np.rint(rgb[..., 1] * 63.0 / 255.0), 0, 63).astype(np.int64)
    b = np.clip(np.rint(rgb[..., 2] * 31.0 / 255.0), 0, 31).astype(np.int64)
    return (r << 11) | (g << 5) | b


def fit_indices(pixels, c0, c1):
    """Best four-colour indices for endpoints ordered c0 >= c1; returns (indices, squared error)."""
    e0, e1 = expand565(c0), expand565(c1)
    palette = np.stack([e0, e1, (2 * e0 + e1) // 3, (e0 + 2 * e1) // 3], axis=1)  # (count, 4, 3)
    dist = ((pixels[:, :, None, :] - palette[:, None, :, :]) ** 2).sum(axis=-1)
    best = dist.argmin(axis=-1)
    # equal endpoints: every entry is the same colour, so index 0 is safe for any decoder
    best[c0 == c1] = 0
    err = np.take_along_axis(dist, best[:, :, None], axis=2)[..., 0].sum(axis=1)
    return best, err


def ordered(c0, c1):
    swap = c0 < c1
    return np.where(swap, c1, c0), np.where(swap, c0, c1)


def least_squares_endpoints(pixels, best, c0, c1):
    """Endpoints minimising the block error for fixed indices; blocks whose indices all
    weight the endpoints alike (singular system) keep their old endpoints."""
    weight0 = np.array([1.0, 0.0, 2.0 / 3.0, 1.0 / 3.0])[best]  # (count, 16)
    weight1 = 1.0 - weight0
    aa = (weight0 * weight0).sum(axis=1)
    ab = (weight0 * weight1).sum(axis=1)
    bb = (weight1 * weight1).sum(axis=1)
    ax = (weight0[..., None] * pixels).sum(axis=1)
    bx = (weight1[..., None] * pixels).sum(axis=1)
    det = aa * bb - ab * ab
    ok = np.abs(det) > 1e-6
    safe = np.where(ok, det, 1.0)[:, None]
    e0 = (bb[:, None] * ax - ab[:, None] * bx) / safe
    e1 = (aa[:, None] * bx - ab[:, None] * ax) / safe
    n0 = np.where(ok, quantize565(e0), c0)
    n1 = np.where(ok, quantize565(e1), c1)
    return ordered(n0, n1)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: dxt_refit.py SOURCE.pam FILE.dds\n")
        return 2
    src = read_pam(argv[1])[..., :3].astype(np.int64)
    with open(argv[2], "rb") as f:
        raw = bytearray(f.read())
    if raw[:4] != b"DDS ":
        sys.stderr.write("dxt_refit: %s is not a DDS file\n" % argv[2])
        return 1
    height, width = struct.unpack_from("<II", raw, 12)
    fourcc = bytes(raw[84:88])
    if fourcc not in (b"DXT1", b"DXT3", b"DXT5"):
        sys.stderr.write("dxt_refit: %s is %r, not DXT1/DXT3/DXT5\n" % (argv[2], fourcc))
        return 1
    block_bytes = 8 if fourcc == b"DXT1" else 16
    colour_at = block_bytes - 8  # the colour half follows the alpha half in DXT3/DXT5
    if (height, width) != src.shape[:2] or width % 4 or height % 4:
        sys.stderr.write("dxt_refit: size of %s does not match its source\n" % argv[2])
        return 1

    bw, bh = width // 4, height // 4
    count = bw * bh
    level0 = 128 + count * block_bytes
    if len(raw) < level0:
        sys.stderr.write("dxt_refit: %s is truncated\n" % argv[2])
        return 1
    blocks = np.frombuffer(bytes(raw[128:level0]), np.uint8).reshape(count, block_bytes).copy()
    col = blocks[:, colour_at:colour_at + 8].astype(np.int64)
    c0, c1 = ordered(col[:, 0] | (col[:, 1] << 8), col[:, 2] | (col[:, 3] << 8))

    pixels = src.reshape(bh, 4, bw, 4, 3).transpose(0, 2, 1, 3, 4).reshape(count, 16, 3)
    best, err = fit_indices(pixels, c0, c1)
    first_err = err.sum()
    for _ in range(4):
        n0, n1 = least_squares_endpoints(pixels, best, c0, c1)
        nbest, nerr = fit_indices(pixels, n0, n1)
        better = nerr < err
        c0 = np.where(better, n0, c0)
        c1 = np.where(better, n1, c1)
        best = np.where(better[:, None], nbest, best)
        err = np.where(better, nerr, err)

    indices = np.zeros(count, dtype=np.int64)
    for i in range(16):
        indices |= best[:, i].astype(np.int64) << (2 * i)
    blocks[:, colour_at + 0] = c0 & 0xFF
    blocks[:, colour_at + 1] = c0 >> 8
    blocks[:, colour_at + 2] = c1 & 0xFF
    blocks[:, colour_at + 3] = c1 >> 8
    blocks[:, colour_at + 4:colour_at + 8] = indices.astype("<u4").view(np.uint8).reshape(count, 4)
    raw[128:level0] = blocks.tobytes()
    print("%s: colour RMS error %.2f -> %.2f" % (argv[2], np.sqrt(first_err / (count * 48.0)),
                                                 np.sqrt(err.sum() / (count * 48.0))))
    with open(argv[2], "wb") as f:
        f.write(raw)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
