"""A small writer for palette PNG files.

We write the files ourselves instead of going through an imaging library so
that the stored colour type and bit depth are exactly what the program's
loaders expect, and so that the bytes do not depend on an encoder's version.
"""

import struct
import zlib

import numpy as np


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _pack_rows(indices, bit_depth):
    """Filter-type-0 scanlines with the indices packed at bit_depth bits."""
    height, width = indices.shape
    per_byte = 8 // bit_depth
    padded_width = -(-width // per_byte) * per_byte
    rows = np.zeros((height, padded_width), dtype=np.uint8)
    rows[:, :width] = indices
    rows = rows.reshape(height, padded_width // per_byte, per_byte)
    packed = np.zeros((height, padded_width // per_byte), dtype=np.uint8)
    for i in range(per_byte):
        packed |= (rows[:, :, i] << (8 - bit_depth * (i + 1))).astype(np.uint8)
    out = bytearray()
    for row in packed:
        out.append(0)
        out += row.tobytes()
    return bytes(out)


def write_palette_png(path, indices, palette, bit_depth, alpha=None, text=None):
    """Writes indices (H x W, small ints) with palette [(r, g, b), ...].

    alpha, if given, is a list of per-entry opacities (tRNS chunk); text is a
    dict of tEXt keyword/value pairs.
    """
    indices = np.asarray(indices)
    height, width = indices.shape
    if len(palette) > (1 << bit_depth):
        raise ValueError(f"{path}: {len(palette)} colours do not fit in {bit_depth} bits")
    if indices.size and int(indices.max()) >= len(palette):
        raise ValueError(f"{path}: index outside the palette")
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, 3, 0, 0, 0)
    parts = [b"\x89PNG\r\n\x1a\n", _chunk(b"IHDR", ihdr),
             _chunk(b"PLTE", bytes(c for rgb in palette for c in rgb))]
    if alpha is not None:
        parts.append(_chunk(b"tRNS", bytes(alpha)))
    for key, value in (text or {}).items():
        parts.append(_chunk(b"tEXt", key.encode("latin-1") + b"\0" + value.encode("latin-1")))
    parts.append(_chunk(b"IDAT", zlib.compress(_pack_rows(indices, bit_depth), 9)))
    parts.append(_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(b"".join(parts))


def to_palette(rgb, limit):
    """Splits an H x W x 3 picture into (indices, palette) with at most limit colours.

    The palette is sorted, so the same picture always gives the same file.
    Fails instead of quietly merging colours.
    """
    rgb = np.asarray(rgb, dtype=np.int64)
    if rgb.min() < 0 or rgb.max() > 255:
        raise ValueError("colour component outside 0..255")
    packed = (rgb[:, :, 0] << 16) | (rgb[:, :, 1] << 8) | rgb[:, :, 2]
    colours, inverse = np.unique(packed, return_inverse=True)
    if len(colours) > limit:
        raise ValueError(f"{len(colours)} colours, at most {limit} allowed")
    palette = [((int(c) >> 16) & 255, (int(c) >> 8) & 255, int(c) & 255) for c in colours]
    return inverse.reshape(packed.shape).astype(np.uint8), palette


def save_rgb(path, rgb, bit_depth):
    indices, palette = to_palette(rgb, 1 << bit_depth)
    write_palette_png(path, indices, palette, bit_depth)


def write_rgba_png(path, rgba):
    """Writes an H x W x 4 picture as 8-bit RGBA (colour type 6)."""
    rgba = np.asarray(rgba, dtype=np.uint8)
    height, width = rgba.shape[:2]
    raw = b"".join(b"\0" + row.tobytes() for row in rgba)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr)
                + _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b""))
