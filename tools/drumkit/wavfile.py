"""Turning a synthesized sound into the bytes of a kit file.

Every file is a RIFF/WAVE file holding exactly a 16-byte "fmt " chunk
(PCM, mono, 44,100 Hz, 16-bit) followed by the "data" chunk.
"""

import math
import struct

import numpy as np

from .dsp import RATE, samples

# -0.3 dBFS: loud, since a single voice plays at a quarter of its values,
# with a little room left so that nothing sits on the rails.
PEAK = round(32767 * 10 ** (-0.3 / 20))


def _raised_cosine(n):
    """n gains rising from exactly 0 to just below 1."""
    return 0.5 - 0.5 * np.cos(math.pi * np.arange(n) / n)


def finish(x, fade_in=0.0005, fade_out=0.02):
    """Fades, DC removal and scaling to 16-bit values.

    The first and last samples become exactly 0. The remaining mean is taken
    out with a Hann-shaped bump, which leaves both ends at 0 and sits far
    below the audible range for sounds this long.
    """
    x = np.asarray(x, dtype=np.float64).copy()
    n_in = max(1, samples(fade_in))
    n_out = max(2, samples(fade_out))
    x[:n_in] *= _raised_cosine(n_in)
    x[-n_out:] *= _raised_cosine(n_out)[::-1] * (1.0 - 1.0 / n_out)
    x[-1] = 0.0
    hann = 0.5 - 0.5 * np.cos(2.0 * math.pi * np.arange(len(x)) / (len(x) - 1))
    x -= hann * (x.sum() / hann.sum())
    x *= PEAK / np.max(np.abs(x))
    values = np.clip(np.round(x), -PEAK, PEAK).astype("<i2")
    values[0] = 0
    values[-1] = 0
    return values


def wav_bytes(values):
    data = np.asarray(values, dtype="<i2").tobytes()
    fmt = struct.pack("<HHIIHH", 1, 1, RATE, RATE * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body
