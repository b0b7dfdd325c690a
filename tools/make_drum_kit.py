#!/usr/bin/python3
"""Writes Tamboro's default drum kit into data/Samples.

    tools/make_drum_kit.py [--out DIR] [--only NAME ...]

Needs Python 3 and numpy (Debian: python3-numpy). The output is the same,
byte for byte, on every run.
"""

import argparse
import math
import pathlib
import sys

import numpy as np

sys.dont_write_bytecode = True  # keep tools/ free of __pycache__
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))

from drumkit.dsp import RATE  # noqa: E402
from drumkit.voices import KIT  # noqa: E402
from drumkit.wavfile import finish, wav_bytes  # noqa: E402


def main():
    repo = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=repo / "data" / "Samples")
    parser.add_argument("--only", nargs="*", help="file names to write (default: all)")
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)

    total = 0
    print(f"{'file':26} {'seconds':>7} {'peak dBFS':>9} {'RMS dBFS':>8} {'mean':>7}")
    for name, voice, fade_in, fade_out in KIT:
        if args.only and name not in args.only:
            continue
        values = finish(voice(), fade_in, fade_out)
        data = wav_bytes(values)
        (args.out / name).write_bytes(data)
        total += len(data)
        v = values.astype(np.float64)
        peak = 20 * math.log10(np.max(np.abs(v)) / 32768)
        rms = 20 * math.log10(math.sqrt(np.mean(v * v)) / 32768)
        print(f"{name:26} {len(v) / RATE:7.3f} {peak:9.2f} {rms:8.2f} {np.mean(v):7.2f}")
    print(f"total {total} bytes")


if __name__ == "__main__":
    main()
