"""The fourteen bitmaps of the front panel.

Each make_* function returns an H x W x 3 picture. Where the panel draws
other elements over a bitmap (the arrows, digits and sliders over TOP, the
step buttons, level bars, knob and sample name over CHANNEL) we still paint a
sensible background there, so each bitmap also reads well on its own.
"""

import math

import numpy as np

from .canvas import (bevel, blend_region, distance_grid, grey, hash01, hline,
                     new, rect, texture, vline)
from .pixelfont import print_label

# ---------------------------------------------------------------- header

TOP_FIELD = grey(15)
TOP_FRAME_LIGHT = grey(167)
TOP_FRAME_DARK = grey(67)
DISPLAY_BLACK = (4, 1, 4)        # the digit cells' own background

TOP_LABELS = {
    "PATTERN": (12, 66, 13, 21),
    "#TOTAL": (11, 54, 39, 47),
    "TEMPO": (187, 226, 13, 21),
    "SHUFFLE": (187, 242, 39, 47),
}

CHANNEL_LABELS = {
    "VOL": (4, 27, 28, 36),
    "DST": (138, 161, 28, 36),
    "OVR": (274, 297, 28, 36),
    "PCH": (409, 432, 28, 36),
}


def recess(img, x0, y0, x1, y1, shade, lip):
    """A 1-pixel sunken outline around x0..x1, y0..y1 (shadow top/left, lip bottom/right)."""
    hline(img, x0, x1, y0, shade)
    vline(img, x0, y0, y1, shade)
    hline(img, x0 + 1, x1, y1, lip)
    vline(img, x1, y0 + 1, y1, lip)


def screw(img, cx, cy, radius=2.6):
    """A slotted screw head lit from the upper left."""
    size = int(math.ceil(radius)) + 1
    for y in range(cy - size, cy + size + 1):
        for x in range(cx - size, cx + size + 1):
            dx, dy = x - cx, y - cy
            d = math.hypot(dx, dy)
            if d > radius:
                continue
            if abs(dx + dy) <= 0.5 * math.sqrt(2) and d < radius - 0.6:
                img[y, x] = grey(34)                   # the slot, diagonal
                continue
            light = -(dx + dy) / (radius * math.sqrt(2))
            if d > radius - 1.0:
                img[y, x] = grey(150 if light > 0.3 else 98 if light > -0.3 else 52)
            else:
                img[y, x] = grey(132 if light > 0 else 108)


def make_top():
    img = new(640, 60, TOP_FIELD)
    shade, lip = grey(6), grey(36)

    # Stepper groups: arrow keys at x 80 and 130 with a display window between.
    for y in (5, 32):
        recess(img, 79, y - 1, 156, y + 24, shade, lip)
        recess(img, 106, y + 3, 128, y + 20, grey(2), grey(48))
        rect(img, 107, y + 4, 21, 16, DISPLAY_BLACK)
    # Slider slots and the three-digit windows to their right.
    for y in (3, 31):
        recess(img, 249, y - 1, 401, y + 27, shade, lip)
        recess(img, 403, y + 3, 437, y + 20, grey(2), grey(48))
        rect(img, 404, y + 4, 33, 16, DISPLAY_BLACK)
    # Lamp bays.
    for x in (470, 550):
        recess(img, x - 1, 12, x + 76, 50, shade, lip)
    # Engraved dividers between the sections.
    for x in (168, 452):
        vline(img, x, 4, 55, grey(5))
        vline(img, x + 1, 4, 55, grey(34))
    for cx in (4, 635):
        for cy in (4, 55):
            screw(img, cx, cy, 2.4)

    for text, box in TOP_LABELS.items():
        print_label(img, text, box)

    hline(img, 0, 639, 0, TOP_FRAME_LIGHT)
    vline(img, 0, 0, 59, TOP_FRAME_LIGHT)
    vline(img, 639, 0, 59, TOP_FRAME_LIGHT)
    hline(img, 0, 639, 59, TOP_FRAME_DARK)
    return img


# ---------------------------------------------------------------- channel strip

HATCH = (47, 59, 51)


def make_channel():
    img = new(640, 40, (0, 0, 0))
    ys, xs = np.mgrid[0:40, 0:640]
    img[((xs + ys) % 4) < 2] = HATCH

    # Sample-name window: the name is written in olive from (466, 22).
    rect(img, 463, 22, 170, 15, (6, 8, 7))
    recess(img, 462, 21, 633, 37, (0, 0, 0), (84, 96, 88))
    # Sunken black seat for the knob, whose frames have black corners.
    rect(img, 439, 22, 19, 16, (0, 0, 0))
    recess(img, 438, 21, 458, 38, (0, 0, 0), (84, 96, 88))
    # Backing plates behind the printed labels.
    for (x0, x1, y0, y1) in CHANNEL_LABELS.values():
        rect(img, x0 - 1, y0 - 1, x1 - x0 + 3, y1 - y0 + 3, (0, 0, 0))
    screw(img, 622, 10, 3.2)

    for text, box in CHANNEL_LABELS.items():
        print_label(img, text, box)
    bevel(img, 0, 0, 640, 40, (150, 162, 154), (12, 14, 13))
    bevel(img, 1, 1, 638, 38, (98, 110, 102), (28, 33, 30))
    return img


# ---------------------------------------------------------------- step buttons

KHAKI = (168, 154, 108)
LAMP_X0, LAMP_Y0, LAMP_X1, LAMP_Y1 = 9, 5, 26, 9      # lamp glass, inclusive


def _key_body():
    """The khaki key in the 22 rows the panel shows; the rows below stay black."""
    img = new(36, 40, (0, 0, 0))
    rect(img, 0, 0, 36, 22, KHAKI)
    # Brushed finish: mostly vertical streaks.
    streak = hash01(36, 1, 7)[0]
    for x in range(36):
        img[0:22, x] += int(round((streak[x] - 0.5) * 8))
    texture(img, 0, 0, 36, 22, 11, [-2, 0, 0, 0, 2])
    rect(img, 0, 0, 36, 1, (40, 34, 20))
    rect(img, 0, 21, 36, 1, (40, 34, 20))
    rect(img, 0, 0, 1, 22, (40, 34, 20))
    rect(img, 35, 0, 1, 22, (40, 34, 20))
    bevel(img, 1, 1, 34, 20, (228, 216, 170), (96, 86, 54))
    bevel(img, 2, 2, 32, 18, (202, 190, 142), (126, 114, 76))
    # Sunken bezel around the lamp glass.
    recess(img, LAMP_X0 - 1, LAMP_Y0 - 1, LAMP_X1 + 1, LAMP_Y1 + 1, (92, 82, 52), (216, 204, 156))
    # A small finger dimple below the lamp.
    hline(img, 12, 23, 15, (146, 133, 92))
    hline(img, 12, 23, 16, (190, 177, 130))
    return img


def make_button(lit):
    img = _key_body()
    w, h = LAMP_X1 - LAMP_X0 + 1, LAMP_Y1 - LAMP_Y0 + 1
    cx, cy = (LAMP_X0 + LAMP_X1) / 2, (LAMP_Y0 + LAMP_Y1) / 2
    ys, xs = np.mgrid[0:h, 0:w].astype(float)
    # Elliptic distance from the glass centre: 0 in the middle, 1 at the rim.
    r = np.hypot((xs + LAMP_X0 - cx) / (w / 2), (ys + LAMP_Y0 - cy) / (h / 2))
    glass = np.zeros((h, w, 3), dtype=np.int32)
    if lit:
        ramp = [(255, 236, 170), (255, 176, 80), (255, 112, 36), (232, 64, 18), (196, 40, 10)]
    else:
        ramp = [(96, 40, 26), (86, 34, 22), (76, 28, 18), (64, 22, 14), (52, 18, 10)]
    idx = np.minimum((r * 4.2).astype(int), 4)
    glass[:] = np.array(ramp)[idx]
    img[LAMP_Y0:LAMP_Y1 + 1, LAMP_X0:LAMP_X1 + 1] = glass
    # Reflection of the room light on the glass.
    img[LAMP_Y0, LAMP_X0 + 2:LAMP_X0 + 6] = (255, 250, 220) if lit else (140, 96, 80)
    if lit:
        # Glow spilling onto the key around the lamp.
        yy, xx = np.mgrid[0:22, 0:36].astype(float)
        dx = np.maximum(np.maximum(LAMP_X0 - xx, xx - LAMP_X1), 0)
        dy = np.maximum(np.maximum(LAMP_Y0 - yy, yy - LAMP_Y1), 0)
        d = np.hypot(dx, dy)
        t = np.where(d > 1, 0.5 * np.exp(-(d - 2) / 2.0), 0)
        face = np.zeros_like(t, dtype=bool)
        face[3:19, 3:33] = True
        t[~face] = 0
        blend_region(img[0:22], t, (255, 110, 36), 10)
    return img


# ---------------------------------------------------------------- stepper arrows

def make_arrow_key(pointing_left):
    img = new(26, 24, grey(67))
    bevel(img, 0, 0, 26, 24, grey(119), grey(31), width=2)
    # Triangle with 45-degree flanks: the tip column holds 2 rows and every
    # column towards the base adds one row above and one below.
    columns = 7
    for i in range(columns):
        x = 9 + i if pointing_left else 16 - i
        top, bottom = 11 - i, 12 + i
        img[top:bottom + 1, x] = grey(171)
        img[top, x] = grey(215)
        img[bottom, x] = grey(111)
    base_x = 15 if pointing_left else 10
    img[6:18, base_x] = grey(131) if pointing_left else grey(199)
    img[5, base_x] = grey(215)
    img[18, base_x] = grey(111)
    return img


# ---------------------------------------------------------------- digits

DIGIT_LIT = (254, 6, 2)
DIGIT_UNLIT = (103, 0, 0)
DIGIT_GAP = (4, 1, 4)

DIGIT_DOTS = {
    0: ["XXX", "XoX", "XoX", "XoX", "XXX"],
    1: ["oXo", "oXo", "oXo", "oXo", "oXo"],
    2: ["XXX", "ooX", "XXX", "Xoo", "XXX"],
    3: ["XXX", "ooX", "XXX", "ooX", "XXX"],
    4: ["XoX", "XoX", "XXX", "ooX", "ooX"],
    5: ["XXX", "Xoo", "XXX", "ooX", "XXX"],
    6: ["XXX", "Xoo", "XXX", "XoX", "XXX"],
    7: ["XXX", "ooX", "ooX", "ooX", "ooX"],
    8: ["XXX", "XoX", "XXX", "XoX", "XXX"],
    9: ["XXX", "XoX", "XXX", "ooX", "ooX"],
}


def make_digits():
    """Ten 9 x 14 cells; 2 x 2 dots on a 3-pixel pitch."""
    img = new(90, 14, DIGIT_GAP)
    for digit, rows in DIGIT_DOTS.items():
        for r, row in enumerate(rows):
            for c, ch in enumerate(row):
                rect(img, 9 * digit + 3 * c, 3 * r, 2, 2, DIGIT_LIT if ch == "X" else DIGIT_UNLIT)
    return img


# ---------------------------------------------------------------- play / stop lamps

PLATE = (164, 136, 98)
WIN_X0, WIN_Y0, WIN_X1, WIN_Y1 = 21, 6, 54, 30        # lamp window interior


def _plate():
    img = new(76, 37, PLATE)
    texture(img, 0, 0, 76, 37, 23, [-5, -3, 0, 0, 0, 2, 4])
    rect(img, 0, 0, 76, 1, (44, 32, 20))
    rect(img, 0, 36, 76, 1, (44, 32, 20))
    rect(img, 0, 0, 1, 37, (44, 32, 20))
    rect(img, 75, 0, 1, 37, (44, 32, 20))
    bevel(img, 1, 1, 74, 35, (214, 190, 148), (96, 76, 50))
    bevel(img, 2, 2, 72, 33, (192, 166, 126), (122, 98, 68))
    return img


def _triangle_mask():
    m = np.zeros((37, 76), dtype=bool)
    for i in range(15):                      # 15 columns from base to tip
        half = 8.5 * (1 - i / 15)
        for y in range(37):
            if abs(y + 0.5 - 18.5) <= half:
                m[y, 33 + i] = True
    return m


def _square_mask():
    m = np.zeros((37, 76), dtype=bool)
    m[12:25, 32:45] = True
    return m


def _shade_symbol(img, mask, body, light, dark):
    img[mask] = body
    up = mask & ~np.roll(mask, 1, axis=0)
    left = mask & ~np.roll(mask, 1, axis=1)
    down = mask & ~np.roll(mask, -1, axis=0)
    right = mask & ~np.roll(mask, -1, axis=1)
    img[down | right] = dark
    img[up | left] = light


def _distance_to(mask):
    ys, xs = np.nonzero(mask)
    gy, gx = np.mgrid[0:mask.shape[0], 0:mask.shape[1]]
    d = np.full(mask.shape, 1e9)
    for y, x in zip(ys, xs):
        d = np.minimum(d, np.hypot(gx - x, gy - y))
    return d


def make_lamp(kind, lit):
    img = _plate()
    mask = _triangle_mask() if kind == "play" else _square_mask()
    recess(img, WIN_X0 - 1, WIN_Y0 - 1, WIN_X1 + 1, WIN_Y1 + 1, (70, 52, 34), (222, 200, 158))
    rect(img, WIN_X0, WIN_Y0, WIN_X1 - WIN_X0 + 1, WIN_Y1 - WIN_Y0 + 1, (30, 25, 21))
    if kind == "play":
        dim = ((52, 92, 40), (84, 128, 62), (32, 60, 24))
        glow, core, body, edge = (70, 230, 40), (240, 255, 170), (184, 250, 70), (120, 210, 34)
    else:
        dim = ((168, 104, 90), (198, 136, 120), (118, 68, 58))
        glow, core, body, edge = (255, 44, 24), (255, 224, 206), (255, 116, 92), (226, 60, 46)
    if not lit:
        _shade_symbol(img, mask, *dim)
        return img
    d = _distance_to(mask)
    window = np.zeros(mask.shape, dtype=bool)
    window[WIN_Y0:WIN_Y1 + 1, WIN_X0:WIN_X1 + 1] = True
    # Light fills the window and leaks a little over the plate around it.
    t = np.where(window, 0.8 * np.exp(-d / 4.5), 0.0)
    t[mask] = 0
    blend_region(img, t, glow, 14)
    # The lit symbol: hot core, saturated body, darker rim.
    inner = _distance_to(~mask)
    img[mask & (inner >= 3)] = core
    img[mask & (inner >= 2) & (inner < 3)] = body
    img[mask & (inner < 2)] = edge
    return img


# ---------------------------------------------------------------- sliders

def make_slider():
    img = new(151, 27, grey(180))
    texture(img, 0, 0, 151, 27, 31, [-4, -2, 0, 0, 0, 2, 3])
    bevel(img, 0, 0, 151, 27, grey(232), grey(70))
    bevel(img, 1, 1, 149, 25, grey(208), grey(126))
    for i, x in enumerate(range(12, 143, 10)):
        length = 3 if i % 5 == 0 else 2
        vline(img, x, 4, 3 + length, grey(126))
        vline(img, x, 23 - length, 22, grey(126))
    hline(img, 4, 146, 12, grey(128))
    hline(img, 4, 146, 13, grey(40))
    hline(img, 4, 146, 14, grey(218))
    return img


def make_thumb():
    img = new(20, 25, grey(150))
    for y in range(25):
        img[y, :] = grey(int(round(168 - 24 * y / 24)))
    rect(img, 0, 0, 20, 1, grey(36))
    rect(img, 0, 24, 20, 1, grey(36))
    rect(img, 0, 0, 1, 25, grey(36))
    rect(img, 19, 0, 1, 25, grey(36))
    bevel(img, 1, 1, 18, 23, grey(230), grey(80))
    bevel(img, 2, 2, 16, 21, grey(196), grey(112))
    for y in (5, 8, 16, 19):                  # grip ridges
        hline(img, 4, 15, y, grey(118))
        hline(img, 4, 15, y + 1, grey(198))
    rect(img, 9, 11, 2, 3, grey(24))            # the centre mark
    vline(img, 11, 12, 13, grey(190))
    hline(img, 9, 10, 14, grey(190))
    return img


# ---------------------------------------------------------------- PCH knob

KNOB_FACE, KNOB_LIGHT, KNOB_DARK, KNOB_POINTER = 151, 187, 83, 235
KNOB_FRAMES, KNOB_PITCH = 25, 17
KNOB_CX = KNOB_CY = 8.5            # disc centre in frame coordinates (pixel 8's centre)
KNOB_RADIUS = 7.45
SUB = 6                            # subsamples per pixel side


def knob_angle(frame):
    """Pointer direction in degrees clockwise from straight up."""
    return (frame - 12) * 10.0


def _knob_frame(frame):
    a = math.radians(knob_angle(frame))
    ux, uy = math.sin(a), -math.cos(a)
    out = np.zeros((18, 17), dtype=np.int32)
    s = (np.arange(SUB) + 0.5) / SUB
    for py in range(17):
        for px in range(17):
            sx, sy = np.meshgrid(px + s, py + s)
            dx, dy = sx - KNOB_CX, sy - KNOB_CY
            d = np.hypot(dx, dy)
            disc = d <= KNOB_RADIUS
            cover = disc.mean()
            if cover == 0:
                continue
            along = dx * ux + dy * uy
            across = np.abs(dx * uy - dy * ux)
            pointer = disc & (along >= -0.5) & (along <= KNOB_RADIUS - 1.1) & (across <= 0.75)
            if pointer.mean() >= 0.45:
                out[py, px] = KNOB_POINTER
                continue
            # Shade by the pixel centre, fade into the black by coverage.
            cdx, cdy = px + 0.5 - KNOB_CX, py + 0.5 - KNOB_CY
            cd = math.hypot(cdx, cdy)
            light = -(cdx + cdy) / max(cd, 1e-6) / math.sqrt(2)
            if cd > KNOB_RADIUS - 1.6:
                shade = (KNOB_LIGHT if light > 0.38 else 163 if light > 0 else
                         KNOB_DARK if light < -0.38 else 107)
            elif cd > KNOB_RADIUS - 2.6 and light < -0.6:
                shade = 131                      # inner shadow under the rim
            else:
                shade = KNOB_FACE
            value = shade * cover
            if pointer.mean() >= 0.15:
                value = 203
            out[py, px] = value
    return out


KNOB_LEVELS = [0, 23, 47, 67, 83, 107, 131, 139, 151, 163, 175, 187, 203, 235]


def make_knob():
    img = np.zeros((18, 428), dtype=np.int32)
    levels = np.array(KNOB_LEVELS)
    for f in range(KNOB_FRAMES):
        frame = _knob_frame(f)
        snapped = levels[np.abs(frame[:, :, None] - levels[None, None, :]).argmin(axis=2)]
        img[:, KNOB_PITCH * f:KNOB_PITCH * (f + 1)] = snapped
    return np.repeat(img[:, :, None], 3, axis=2)


def knob_pointer_angles(img):
    """Pointer direction of each frame, from the centroid of its pointer pixels."""
    angles = []
    for f in range(KNOB_FRAMES):
        frame = img[:17, KNOB_PITCH * f:KNOB_PITCH * (f + 1), 0]
        ys, xs = np.nonzero(frame == KNOB_POINTER)
        dx, dy = xs.mean() + 0.5 - KNOB_CX, ys.mean() + 0.5 - KNOB_CY
        angles.append(math.degrees(math.atan2(dx, -dy)))
    return angles


def all_bitmaps():
    """Name -> (picture, bit depth), in the order the resources list them."""
    return {
        "TOP": (make_top(), 8),
        "CHANNEL": (make_channel(), 8),
        "BUTTON1A": (make_button(False), 8),
        "BUTTON1B": (make_button(True), 8),
        "LBUTTON": (make_arrow_key(True), 8),
        "RBUTTON": (make_arrow_key(False), 8),
        "DIGZIFF1": (make_digits(), 8),
        "PLAYA": (make_lamp("play", False), 8),
        "PLAYB": (make_lamp("play", True), 8),
        "STOPA": (make_lamp("stop", False), 8),
        "STOPB": (make_lamp("stop", True), 8),
        "SLIDER": (make_slider(), 8),
        "SLBT": (make_thumb(), 8),
        "TURNKNOB": (make_knob(), 4),
    }
