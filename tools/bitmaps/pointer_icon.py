"""The LOAD pointer and the window icon."""

import numpy as np

from .canvas import new, stamp

# ---------------------------------------------------------------- POINTERLOAD
#
# 32 x 32, hot spot at (1, 1): the tip of the arrow. The hot spot is stored in
# the PNG as the tEXt chunk  hotspot = "1,1"  (x first).
#
# Palette indices:
#   0  transparent
#   1  black
#   2  white
#   3  invert the screen under the pixel (the letters LOAD). Where the desktop
#      cannot invert, the program draws these black with a white edge instead;
#      POINTERLOAD-visible.png shows that fallback.

POINTER_HOTSPOT = (1, 1)
POINTER_MARK_INVERT = (255, 0, 255)     # colour of index 3 in files; only a marker

ARROW = [
    "B",
    "BB",
    "BWB",
    "BWWB",
    "BWWWB",
    "BWWWWB",
    "BWWWWWB",
    "BWWWWWWB",
    "BWWWWWWWB",
    "BWWWWWWWWB",
    "BWWWWWBBBB",
    "BWWBWWB",
    "BWB.BWWB",
    "BB..BWWB",
    "B....BWWB",
    ".....BWWB",
    "......BWWB",
    ".......BB",
]

LOAD_LETTERS = {
    "L": ["#...", "#...", "#...", "#...", "#...", "####"],
    "O": [".##.", "#..#", "#..#", "#..#", "#..#", ".##."],
    "A": [".##.", "#..#", "#..#", "####", "#..#", "#..#"],
    "D": ["###.", "#..#", "#..#", "#..#", "#..#", "###."],
}
LOAD_ORIGIN = (12, 8)                   # top left of the L


def pointer_indices():
    idx = np.zeros((32, 32), dtype=np.uint8)
    for j, row in enumerate(ARROW):
        for i, ch in enumerate(row):
            if ch in "BW":
                idx[POINTER_HOTSPOT[1] + j, POINTER_HOTSPOT[0] + i] = 1 if ch == "B" else 2
    x, y = LOAD_ORIGIN
    for letter in "LOAD":
        stamp(idx, x, y, LOAD_LETTERS[letter], {"#": 3})
        x += len(LOAD_LETTERS[letter][0]) + 1
    return idx


POINTER_PALETTE = [(0, 0, 0), (0, 0, 0), (255, 255, 255), POINTER_MARK_INVERT]
POINTER_ALPHA = [0, 255, 255, 255]


def pointer_visible_rgba(idx):
    """The pointer as shown where inverting pixels are not available."""
    rgba = np.zeros((32, 32, 4), dtype=np.uint8)
    rgba[idx == 1] = (0, 0, 0, 255)
    rgba[idx == 2] = (255, 255, 255, 255)
    letters = idx == 3
    edge = np.zeros_like(letters)
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            edge |= np.roll(np.roll(letters, dy, axis=0), dx, axis=1)
    edge &= ~letters & (idx == 0)
    rgba[edge] = (255, 255, 255, 255)
    rgba[letters] = (0, 0, 0, 255)
    return rgba


# ---------------------------------------------------------------- TAMBOROICON

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
G1, G2, G3, G4, G5 = (64, 64, 64), (104, 104, 104), (148, 148, 148), (188, 188, 188), (224, 224, 224)
RED_DARK, RED, RED_LIGHT = (88, 0, 0), (128, 0, 0), (168, 24, 24)


def _ellipse(w, h, cx, cy, rx, ry):
    ys, xs = np.mgrid[0:h, 0:w].astype(float) + 0.5
    return ((xs - cx) / rx) ** 2 + ((ys - cy) / ry) ** 2 <= 1.0


def _drum(img, cx, top, rx, depth, shell):
    """A drum seen from the front and a little above: head ellipse over a shell."""
    h, w = img.shape[:2]
    ys, xs = np.mgrid[0:h, 0:w].astype(float) + 0.5
    ry = max(rx * 0.35, 1.0)
    body = (np.abs(xs - cx) <= rx) & (ys >= top + ry) & (ys <= top + ry + depth)
    bottom = _ellipse(w, h, cx, top + ry + depth, rx, ry)
    head = _ellipse(w, h, cx, top + ry, rx, ry)
    outline = np.zeros_like(body)
    whole = body | bottom | head
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            outline |= np.roll(np.roll(whole, dy, axis=0), dx, axis=1)
    img[outline & ~whole] = BLACK
    img[body | bottom] = shell
    # Shade the shell: lighter on the left, darker on the right.
    img[(body | bottom) & (xs < cx - rx * 0.45)] = RED_LIGHT if shell == RED else G4
    img[(body | bottom) & (xs > cx + rx * 0.55)] = RED_DARK if shell == RED else G2
    img[head] = G5
    img[head & ~_ellipse(w, h, cx, top + ry, rx - 1, max(ry - 0.8, 0.5))] = G3


def _cymbal(img, cx, cy, rx, tilt):
    h, w = img.shape[:2]
    ys, xs = np.mgrid[0:h, 0:w].astype(float) + 0.5
    yy = ys - cy - tilt * (xs - cx)
    m = ((xs - cx) / rx) ** 2 + (yy / 1.6) ** 2 <= 1.0
    img[m] = G4
    img[m & (yy > 0.2)] = G2
    img[m & (yy < -0.6)] = G5
    img[m & (np.abs(xs - cx) < 1.1) & (yy < 0.3)] = G1
    tip = m & (np.abs(xs - cx) > rx - 1.2)
    img[tip] = G3


def icon_rgb():
    img = new(32, 32, WHITE)
    # Stands first: everything else sits in front of them.
    for x, y0 in ((7, 7), (25, 6)):
        img[y0:30, x] = G2
    for x in (5, 6, 8, 9):
        img[29 + (x in (5, 9)), x] = G1
    for x in (23, 24, 26, 27):
        img[29 + (x in (23, 27)), x] = G1
    _cymbal(img, 7, 6, 6.5, 0.12)
    _cymbal(img, 25, 5, 6.5, -0.12)
    img[3, 7] = BLACK
    img[2, 25] = BLACK
    # Snare on the left, floor tom on the right, rack toms above the bass drum.
    _drum(img, 5, 17, 3.8, 4, G4)
    _drum(img, 27, 16, 3.8, 9, RED)
    _drum(img, 12, 10, 3.6, 3, RED)
    _drum(img, 20, 10, 3.6, 3, RED)
    # Bass drum, front head towards us.
    ys, xs = np.mgrid[0:32, 0:32].astype(float) + 0.5
    d = np.hypot(xs - 16, ys - 22.5)
    img[d <= 8.2] = BLACK
    img[d <= 7.4] = RED
    img[(d <= 7.4) & (xs - 16 + ys - 22.5 < -6)] = RED_LIGHT
    img[(d <= 7.4) & (xs - 16 + ys - 22.5 > 6)] = RED_DARK
    img[d <= 5.8] = G5
    img[(d <= 5.8) & (xs - 16 + ys - 22.5 > 3.5)] = G4
    img[(d > 2.0) & (d <= 3.0)] = RED_DARK
    # Feet of the bass drum.
    img[30, 9:11] = BLACK
    img[30, 22:24] = BLACK
    return img
