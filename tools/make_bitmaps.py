#!/usr/bin/env python3
"""Writes Tamboro's panel bitmaps, LOAD pointer and window icon.

    python3 tools/make_bitmaps.py                 # writes resources/...
    python3 tools/make_bitmaps.py --contact-sheet # also out/contact-sheet.png

Needs only Python 3 with numpy (and Pillow for the contact sheet), e.g.
Debian's /usr/bin/python3 with python3-numpy and python3-pil. The output is
the same on every run, so the committed PNG files can be checked with a plain
diff after regenerating.
"""

import argparse
import os
import sys

import numpy as np

sys.dont_write_bytecode = True           # keep the source tree free of caches
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from bitmaps import panel, pointer_icon  # noqa: E402
from bitmaps.png import save_rgb, to_palette, write_palette_png, write_rgba_png  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def check_knob(img):
    angles = panel.knob_pointer_angles(img)
    if any(b <= a for a, b in zip(angles, angles[1:])):
        raise SystemExit(f"TURNKNOB pointer does not turn steadily: {angles}")
    if abs(angles[12]) > 1.0:
        raise SystemExit(f"TURNKNOB frame 12 does not point up: {angles[12]}")


def write_all(root):
    bitmap_dir = os.path.join(root, "resources", "bitmaps")
    pointer_dir = os.path.join(root, "resources", "pointers")
    icon_dir = os.path.join(root, "resources", "icons")
    for d in (bitmap_dir, pointer_dir, icon_dir):
        os.makedirs(d, exist_ok=True)

    bitmaps = panel.all_bitmaps()
    check_knob(bitmaps["TURNKNOB"][0])
    for name, (img, depth) in bitmaps.items():
        save_rgb(os.path.join(bitmap_dir, name + ".png"), img, depth)

    idx = pointer_icon.pointer_indices()
    hx, hy = pointer_icon.POINTER_HOTSPOT
    write_palette_png(os.path.join(pointer_dir, "POINTERLOAD.png"), idx,
                      pointer_icon.POINTER_PALETTE, 2,
                      alpha=pointer_icon.POINTER_ALPHA, text={"hotspot": f"{hx},{hy}"})
    visible = pointer_icon.pointer_visible_rgba(idx)
    write_rgba_png(os.path.join(pointer_dir, "POINTERLOAD-visible.png"), visible)

    icon = pointer_icon.icon_rgb()
    icon_idx, icon_pal = to_palette(icon, 16)
    write_palette_png(os.path.join(icon_dir, "TAMBOROICON.png"), icon_idx, icon_pal, 4)
    for scale in (2, 8):
        big = np.kron(icon_idx, np.ones((scale, scale), dtype=np.uint8))
        write_palette_png(os.path.join(icon_dir, f"tamboro-{32 * scale}.png"), big, icon_pal, 4)
    return bitmaps, idx, visible, icon


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=ROOT, help="repository to write into")
    parser.add_argument("--contact-sheet", action="store_true",
                        help="also write out/contact-sheet.png (needs Pillow)")
    args = parser.parse_args()
    bitmaps, pointer_idx, pointer_visible, icon = write_all(args.root)
    if args.contact_sheet:
        from bitmaps.contact_sheet import write_contact_sheet
        out = os.path.join(args.root, "out")
        os.makedirs(out, exist_ok=True)
        write_contact_sheet(os.path.join(out, "contact-sheet.png"), bitmaps,
                            pointer_idx, pointer_visible, icon)


if __name__ == "__main__":
    main()
