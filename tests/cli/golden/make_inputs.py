#!/usr/bin/env python3
"""Writes the golden render's inputs: a few small samples and a song file.

The song bytes are laid out here by hand, independently of the program's own
song writer. After changing this script, regenerate the expected render with
    ./make_inputs.py && ../../../build/bin/tamboro --render golden.sng expected.wav \
        --samples Samples --pitch 2=7 --pitch 3=-5
and check the change by ear and with sox before committing it.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write_wave(name, frames, channels, rate=44100):
    data = b"".join(struct.pack("<" + "h" * channels, *f) for f in frames)
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * 2 * channels, 2 * channels, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(os.path.join(HERE, "Samples", name), "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def clamp(v):
    return max(-32767, min(32767, int(v)))


def noise(seed):
    state = seed
    while True:
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        yield (state >> 8) % 65536 - 32768


def main():
    n = 3000
    kick = [(clamp(30000 * math.exp(-i / 900) * math.sin(2 * math.pi * (60 + 140 * math.exp(-i / 300)) * i / 44100)),) for i in range(n)]
    write_wave("Kick.wav", kick, 1)
    rnd = noise(7)
    snare = [(clamp(0.7 * next(rnd) * math.exp(-i / 700)),) for i in range(2500)]
    write_wave("snare.WAV", snare, 1)
    rnd = noise(11)
    hat = [(clamp(0.5 * next(rnd) * math.exp(-i / 250)), clamp(-0.4 * next(rnd) * math.exp(-i / 200))) for i in range(1200)]
    write_wave("Hat Stereo.wav", hat, 2)
    clave = [(clamp(25000 * math.exp(-i / 400) * math.sin(2 * math.pi * 2500 * i / 44100)),) for i in range(900)]
    write_wave(os.path.join("Perc", "Clave.wav"), clave, 1)
    tone = [(clamp(12000 * math.sin(2 * math.pi * 220 * i / 44100)), clamp(12000 * math.sin(2 * math.pi * 330 * i / 44100))) for i in range(20000)]
    write_wave("Tone.wav", tone, 2)

    tempo, length, shuffle = 200, 16, 25
    header = b"TM1\0" + struct.pack("<hhhhhh", 1, 8, tempo, length, shuffle, 64) + bytes(32)
    volume = [64, 50, 40, 64, 64, 30, 64, 10]
    distortion = [48, 0, 20, 0, 0, 0, 0, 64]
    overdrive = [0, 40, 0, 10, 0, 0, 0, 0]
    names = ["Kick.wav", "SNARE.wav", "Hat Stereo.wav", "perc\\clave.WAV", "nothere.wav", "Tone.wav", "", "Kick.wav"]
    levels = b"".join(struct.pack("<8h", *v) for v in (volume, distortion, overdrive))
    name_bytes = b"".join(nm.encode().ljust(128, b"\0") for nm in names)
    rows = [
        "x...x...x...x..x",
        "....x.......x...",
        "xxxxxxxxxxxxxxxx",
        "..x..x....x..x..",
        "x.......x.......",
        "x...............",
        "xxxxxxxxxxxxxxxx",
        "........x.......",
    ]
    grid = bytearray(8 * length)
    for c, row in enumerate(rows):
        for s, cell in enumerate(row):
            grid[s * 8 + c] = 1 if cell == "x" else 0
    with open(os.path.join(HERE, "golden.sng"), "wb") as f:
        f.write(header + levels + name_bytes + bytes(grid))


if __name__ == "__main__":
    main()
