"""The panel's printed lettering: a blocky face of 2-pixel strokes, 8 rows high.

Each glyph is drawn on a grid ('#' ink, '.' paper); widths vary per letter and
letters are set one pixel apart. A label is printed in the light label blue
with a dark-blue drop shadow one pixel right and down, so a label's box is one
pixel wider and taller than its lettering.
"""

import numpy as np

LABEL_FACE = (0, 99, 135)
LABEL_SHADOW = (0, 71, 99)

GLYPHS = {
    "#": [".#.#.",
          ".#.#.",
          "#####",
          ".#.#.",
          ".#.#.",
          "#####",
          ".#.#.",
          ".#.#."],
    "A": ["..####..",
          ".######.",
          "##....##",
          "##....##",
          "########",
          "########",
          "##....##",
          "##....##"],
    "C": [".######",
          "#######",
          "##.....",
          "##.....",
          "##.....",
          "##.....",
          "#######",
          ".######"],
    "D": ["######.",
          "#######",
          "##...##",
          "##...##",
          "##...##",
          "##...##",
          "#######",
          "######."],
    "E": ["#######",
          "#######",
          "##.....",
          "######.",
          "######.",
          "##.....",
          "#######",
          "#######"],
    "F": ["#######",
          "#######",
          "##.....",
          "######.",
          "######.",
          "##.....",
          "##.....",
          "##....."],
    "H": ["##...##",
          "##...##",
          "##...##",
          "#######",
          "#######",
          "##...##",
          "##...##",
          "##...##"],
    "L": ["##....",
          "##....",
          "##....",
          "##....",
          "##....",
          "##....",
          "######",
          "######"],
    "M": ["##....##",
          "###..###",
          "########",
          "##.##.##",
          "##....##",
          "##....##",
          "##....##",
          "##....##"],
    "N": ["##....##",
          "###...##",
          "####..##",
          "##.##.##",
          "##..####",
          "##...###",
          "##....##",
          "##....##"],
    "O": [".#####.",
          "#######",
          "##...##",
          "##...##",
          "##...##",
          "##...##",
          "#######",
          ".#####."],
    "P": ["######.",
          "#######",
          "##...##",
          "#######",
          "######.",
          "##.....",
          "##.....",
          "##....."],
    "R": ["#####.",
          "######",
          "##..##",
          "#####.",
          "####..",
          "##.##.",
          "##..##",
          "##..##"],
    "S": [".#######",
          "########",
          "##......",
          "#######.",
          ".#######",
          "......##",
          "########",
          "#######."],
    "T": ["######",
          "######",
          "..##..",
          "..##..",
          "..##..",
          "..##..",
          "..##..",
          "..##.."],
    "U": ["##...##",
          "##...##",
          "##...##",
          "##...##",
          "##...##",
          "##...##",
          "#######",
          ".#####."],
    "V": ["##....##",
          "##....##",
          "##....##",
          "##....##",
          ".##..##.",
          ".##..##.",
          "..####..",
          "...##..."],
}

GLYPH_HEIGHT = 8
LETTER_SPACING = 1


def _check_glyphs():
    for ch, rows in GLYPHS.items():
        assert len(rows) == GLYPH_HEIGHT, ch
        assert len({len(r) for r in rows}) == 1, ch


_check_glyphs()


def ink_mask(text):
    """Boolean mask of the lettering of text, without the shadow."""
    widths = [len(GLYPHS[ch][0]) for ch in text]
    total = sum(widths) + LETTER_SPACING * (len(text) - 1)
    mask = np.zeros((GLYPH_HEIGHT, total), dtype=bool)
    x = 0
    for ch, w in zip(text, widths):
        mask[:, x:x + w] = np.array([[c == "#" for c in row] for row in GLYPHS[ch]])
        x += w + LETTER_SPACING
    return mask


def label_size(text):
    """Width and height of a printed label, shadow included."""
    h, w = ink_mask(text).shape
    return w + 1, h + 1


def print_label(img, text, box):
    """Prints text so that its lettering and shadow fill box = (x0, x1, y0, y1) exactly.

    Fails if the lettering does not come out at exactly that size: the panel's
    layout relies on where the labels sit.
    """
    x0, x1, y0, y1 = box
    w, h = label_size(text)
    if (w, h) != (x1 - x0 + 1, y1 - y0 + 1):
        raise ValueError(f"label {text!r} is {w}x{h}, its box {box} wants "
                         f"{x1 - x0 + 1}x{y1 - y0 + 1}")
    ink = ink_mask(text)
    shadow = np.zeros((h, w), dtype=bool)
    shadow[1:, 1:] = ink
    face = np.zeros((h, w), dtype=bool)
    face[:-1, :-1] = ink
    region = img[y0:y1 + 1, x0:x1 + 1]
    region[shadow & ~face] = LABEL_SHADOW
    region[face] = LABEL_FACE
