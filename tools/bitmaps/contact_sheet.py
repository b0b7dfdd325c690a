"""A contact sheet of every generated picture and a mock-up of the assembled panel.

For looking at, not for shipping: written to out/, which git ignores.
"""

import numpy as np
from PIL import Image, ImageDraw, ImageFont

BACKGROUND = (128, 128, 128)


def _img(rgb):
    return Image.fromarray(np.asarray(rgb, dtype=np.uint8), "RGB")


def _blit(panel, src, sx, sy, w, h, dx, dy):
    panel[dy:dy + h, dx:dx + w] = src[sy:sy + h, sx:sx + w]


def _digits(panel, digits, x, y, text):
    for i, ch in enumerate(text):
        _blit(panel, digits, 9 * (ord(ch) - 48), 0, 9, 14, x + 10 * i, y)


def _level_bar(panel, left, channel, value):
    top = 82 + 50 * channel
    panel[top:top + 16, left:left + 100] = (100, 120, 120)
    panel[top + 1:top + 15, left + 1:left + 99] = (0, 0, 0)
    width = (100 * value) // 64
    k = 0
    while 2 * k < width:
        colour = (50 + 4 * k, 150, 0) if k <= 25 else (150, (250 - 4 * k) % 256, 0)
        panel[top:top + 16, left + 2 * k] = colour
        k += 1


def mock_panel(b):
    """The panel as the program draws it, from a made-up song."""
    g = {name: np.asarray(img, dtype=np.uint8) for name, (img, _) in b.items()}
    panel = np.zeros((460, 640, 3), dtype=np.uint8)
    _blit(panel, g["TOP"], 0, 0, 640, 60, 0, 0)
    frames = [0, 3, 6, 9, 12, 15, 18, 24]
    for c in range(8):
        top = 60 + 50 * c
        _blit(panel, g["CHANNEL"], 0, 0, 640, 40, 0, top)
        _blit(panel, g["TURNKNOB"], 17 * frames[c], 0, 17, 17, 440, top + 22)
        for s in range(16):
            on = (s * (c + 3) + c) % 5 == 0
            _blit(panel, g["BUTTON1B" if on else "BUTTON1A"], 0, 0, 36, 22, 38 * s, top)
        _level_bar(panel, 30, c, [64, 48, 40, 56, 30, 20, 10, 1][c])
        _level_bar(panel, 166, c, [0, 8, 16, 24, 32, 40, 48, 64][c])
        _level_bar(panel, 300, c, [2, 0, 12, 0, 64, 0, 33, 5][c])
    for y in (5, 32):
        _blit(panel, g["LBUTTON"], 0, 0, 26, 24, 80, y)
        _blit(panel, g["RBUTTON"], 0, 0, 26, 24, 130, y)
    _digits(panel, g["DIGZIFF1"], 108, 10, "03")
    _digits(panel, g["DIGZIFF1"], 108, 37, "08")
    _blit(panel, g["PLAYA"], 0, 0, 76, 37, 470, 13)
    _blit(panel, g["STOPB"], 0, 0, 76, 37, 550, 13)
    _digits(panel, g["DIGZIFF1"], 406, 8, "120")
    _digits(panel, g["DIGZIFF1"], 406, 36, "047")
    for y, pos in ((3, 30), (31, 47)):
        _blit(panel, g["SLIDER"], 0, 0, 151, 27, 250, y)
        _blit(panel, g["SLBT"], 0, 0, 20, 25, 250 + pos + 2, y + 1)
    img = _img(panel)
    draw = ImageDraw.Draw(img)
    names = ["KICK.WAV", "SNARE.WAV", "HATCL.WAV", "HATOP.WAV",
             "TOM1.WAV", "CLAP.WAV", "RIM.WAV", "RIDE.WAV"]
    for c, name in enumerate(names):
        draw.text((466, 82 + 50 * c), name, fill=(150, 150, 50), font=ImageFont.load_default())
    return img


def _pointer_rgba(idx):
    lut = np.array([(0, 0, 0, 0), (0, 0, 0, 255), (255, 255, 255, 255), (255, 0, 255, 255)],
                   dtype=np.uint8)
    return Image.fromarray(lut[idx], "RGBA")


def write_contact_sheet(path, bitmaps, pointer_idx, pointer_visible, icon):
    font = ImageFont.load_default()
    items = [(name, _img(img)) for name, (img, _) in bitmaps.items()]
    items.append(("POINTERLOAD (index 3 magenta)", _pointer_rgba(pointer_idx)))
    items.append(("POINTERLOAD-visible", Image.fromarray(pointer_visible, "RGBA")))
    items.append(("TAMBOROICON", _img(icon)))

    panel = mock_panel(bitmaps)
    width = 1960
    placed, x, y, row_h = [], 20, 20, 0
    for name, im in items:
        stacked = im.width * 4 + 10 > width - 40
        w = im.width * 3 if stacked else im.width * 4 + 10
        w = max(w, 6 * (len(name) + 8))           # room for the caption
        h = im.height * 4 + 24 if stacked else im.height * 3 + 20
        if x + w > width - 20:
            x, y, row_h = 20, y + row_h, 0
        placed.append((name, im, x, y, stacked))
        x += w + 24
        row_h = max(row_h, h + 12)
    panel_y = y + row_h + 10
    sheet = Image.new("RGB", (width, panel_y + 460 + 20 + 2 * 160 + 20), BACKGROUND)
    draw = ImageDraw.Draw(sheet)
    for name, im, x, y, stacked in placed:
        draw.text((x, y), f"{name} {im.width}x{im.height}", fill=(0, 0, 0), font=font)
        sheet.paste(im, (x, y + 14), im if im.mode == "RGBA" else None)
        big = im.resize((im.width * 3, im.height * 3), Image.NEAREST)
        at = (x, y + 14 + im.height + 6) if stacked else (x + im.width + 10, y + 14)
        sheet.paste(big, at, big if big.mode == "RGBA" else None)
    sheet.paste(panel, (20, panel_y))
    draw.text((680, panel_y), "panel mock-up 640x460 (left) and its top at 2x (below)",
              fill=(0, 0, 0), font=font)
    sheet.paste(panel.crop((0, 0, 640, 160)).resize((1280, 320), Image.NEAREST),
                (20, panel_y + 480))
    sheet.save(path)
