"""Drawing helpers on H x W x 3 integer pictures (numpy arrays)."""

import numpy as np


def new(width, height, rgb=(0, 0, 0)):
    img = np.zeros((height, width, 3), dtype=np.int32)
    img[:, :] = rgb
    return img


def grey(v):
    return (v, v, v)


def rect(img, x, y, w, h, rgb):
    img[y:y + h, x:x + w] = rgb


def hline(img, x0, x1, y, rgb):
    img[y, x0:x1 + 1] = rgb


def vline(img, x, y0, y1, rgb):
    img[y0:y1 + 1, x] = rgb


def bevel(img, x, y, w, h, light, dark, width=1):
    """Raised edge: light on top and left, dark at bottom and right.

    The two corners where light meets dark are split on the diagonal.
    """
    for i in range(width):
        x0, y0, x1, y1 = x + i, y + i, x + w - 1 - i, y + h - 1 - i
        hline(img, x0, x1, y0, light)
        vline(img, x0, y0, y1, light)
        hline(img, x0 + 1, x1, y1, dark)
        vline(img, x1, y0 + 1, y1, dark)


def hash01(width, height, seed):
    """Deterministic per-pixel noise in [0, 1), the same on every machine."""
    ys, xs = np.mgrid[0:height, 0:width].astype(np.uint64)
    h = (xs * np.uint64(73856093)) ^ (ys * np.uint64(19349663)) ^ np.uint64(seed * 83492791 + 1)
    h = (h ^ (h >> np.uint64(13))) * np.uint64(0x5BD1E995)
    h &= np.uint64(0xFFFFFFFF)
    h ^= h >> np.uint64(15)
    return (h & np.uint64(0xFFFF)).astype(np.float64) / 65536.0


def texture(img, x, y, w, h, seed, levels):
    """Adds one of the given small offsets to each pixel of a region."""
    n = hash01(w, h, seed)
    idx = np.minimum((n * len(levels)).astype(int), len(levels) - 1)
    offs = np.array(levels)[idx]
    region = img[y:y + h, x:x + w]
    region += offs[:, :, None]
    np.clip(region, 0, 255, out=region)


def mix(a, b, t):
    """Colour a blended toward b by t (0..1), rounded."""
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def blend_region(img, mask_t, rgb, steps):
    """Blends every pixel toward rgb by mask_t (H x W in 0..1), quantized to steps levels."""
    t = np.round(np.clip(mask_t, 0, 1) * steps) / steps
    img[:] = np.round(img + (np.array(rgb)[None, None, :] - img) * t[:, :, None]).astype(np.int32)


def distance_grid(width, height, cx, cy):
    ys, xs = np.mgrid[0:height, 0:width].astype(np.float64)
    return np.hypot(xs - cx, ys - cy)


def stamp(img, x, y, art, colours):
    """Draws character art: each character maps to a colour, absent ones stay."""
    for j, row in enumerate(art):
        for i, ch in enumerate(row):
            if ch in colours:
                img[y + j, x + i] = colours[ch]
