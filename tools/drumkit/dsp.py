"""Building blocks: noise, oscillators, envelopes, filters and a small reverb.

Everything works on float64 numpy arrays at RATE samples per second. Filters
are plain recursions written out here, so the output depends on nothing but
numpy's basic arithmetic.
"""

import math

import numpy as np

RATE = 44100


def samples(seconds):
    return int(round(seconds * RATE))


def timeline(seconds):
    """Time in seconds of each sample of a sound `seconds` long."""
    return np.arange(samples(seconds)) / RATE


# ---------------------------------------------------------------- noise

_M1 = np.uint64(0xBF58476D1CE4E5B9)
_M2 = np.uint64(0x94D049BB133111EB)
_GOLDEN = np.uint64(0x9E3779B97F4A7C15)


def noise(n, seed):
    """White noise in [-1, 1): a counter hashed with the splitmix64 finalizer.

    The same (n, seed) always gives the same values, independent of numpy's
    random generators and their version.
    """
    with np.errstate(over="ignore"):
        z = np.arange(n, dtype=np.uint64) + np.uint64(seed) * _GOLDEN + _GOLDEN
        z = (z ^ (z >> np.uint64(30))) * _M1
        z = (z ^ (z >> np.uint64(27))) * _M2
        z = z ^ (z >> np.uint64(31))
    return (z >> np.uint64(11)).astype(np.float64) / float(1 << 52) - 1.0


def phases(seed, count):
    """`count` fixed start phases in [0, 2*pi)."""
    return (noise(count, seed) + 1.0) * math.pi


# ---------------------------------------------------------------- oscillators

def sweep_phase(freq):
    """Running phase of an oscillator whose frequency (Hz) varies per sample;
    it starts at exactly 0."""
    ph = np.cumsum(freq) * (2.0 * math.pi / RATE)
    return ph - ph[0]


def square(freq, t, phase=0.0, limit=0.45 * RATE):
    """Band-limited square wave of fixed frequency, amplitude 1: its odd
    harmonics below `limit`, so nothing folds back from above Nyquist."""
    out = np.zeros_like(t)
    k = 1
    while k * freq < limit:
        out += np.sin(2.0 * math.pi * k * freq * t + k * phase) / k
        k += 2
    return out * (4.0 / math.pi)


def metal(freqs, t, seed):
    """Sum of detuned square oscillators, the raw material of hats and cymbals."""
    ph = phases(seed, len(freqs))
    return sum(square(f, t, p) for f, p in zip(freqs, ph)) / len(freqs)


def damped_sine(freq, tau, t, phase=0.0):
    return np.sin(2.0 * math.pi * freq * t + phase) * np.exp(-t / tau)


# ---------------------------------------------------------------- envelopes

def decay(t, tau):
    return np.exp(-t / tau)


def attack_decay(t, attack, tau):
    """Rises as a half cosine over `attack` seconds, then decays exponentially."""
    rise = np.where(t < attack, 0.5 - 0.5 * np.cos(math.pi * np.minimum(t / attack, 1.0)), 1.0)
    return rise * np.exp(-np.maximum(t - attack, 0.0) / tau)


# ---------------------------------------------------------------- filters

def _run_biquad(x, b0, b1, b2, a1, a2):
    out = [0.0] * len(x)
    x1 = x2 = y1 = y2 = 0.0
    for i, xi in enumerate(x.tolist()):
        yi = b0 * xi + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2
        x2, x1, y2, y1 = x1, xi, y1, yi
        out[i] = yi
    return np.array(out)


def _biquad(x, kind, freq, q):
    """Second-order section, coefficients from the usual bilinear-transform
    recipes ("bandpass" has 0 dB gain at its centre)."""
    w = 2.0 * math.pi * freq / RATE
    cw, sw = math.cos(w), math.sin(w)
    alpha = sw / (2.0 * q)
    if kind == "lowpass":
        b = ((1 - cw) / 2, 1 - cw, (1 - cw) / 2)
    elif kind == "highpass":
        b = ((1 + cw) / 2, -(1 + cw), (1 + cw) / 2)
    elif kind == "bandpass":
        b = (alpha, 0.0, -alpha)
    else:
        raise ValueError(kind)
    a0 = 1 + alpha
    return _run_biquad(x, b[0] / a0, b[1] / a0, b[2] / a0, -2 * cw / a0, (1 - alpha) / a0)


def lowpass(x, freq, q=0.7071):
    return _biquad(x, "lowpass", freq, q)


def highpass(x, freq, q=0.7071):
    return _biquad(x, "highpass", freq, q)


def bandpass(x, freq, q):
    return _biquad(x, "bandpass", freq, q)


def onepole_lowpass(x, freq):
    g = 1.0 - math.exp(-2.0 * math.pi * freq / RATE)
    out = [0.0] * len(x)
    y = 0.0
    for i, xi in enumerate(x.tolist()):
        y += g * (xi - y)
        out[i] = y
    return np.array(out)


# ---------------------------------------------------------------- reverb

def _comb_recursion(v, delay, gain):
    """y[n] = v[n] + gain * y[n - delay], computed a delay-length block at a
    time (each block only needs the finished block before it)."""
    y = v.copy()
    for start in range(delay, len(y), delay):
        end = min(start + delay, len(y))
        y[start:end] += gain * y[start - delay : end - delay]
    return y


def comb(x, delay, gain):
    return _comb_recursion(x, delay, gain)


def allpass(x, delay, gain):
    v = -gain * x
    v[delay:] += x[:-delay]
    return _comb_recursion(v, delay, gain)


def small_room(x, decay_seconds=0.6, damping_hz=6000.0, size=1.0):
    """Wet signal of a small Schroeder reverb: four parallel feedback combs
    (mutually prime delays, gains set for `decay_seconds` to -60 dB), then two
    series all-passes, then a gentle low-pass for the damping."""
    comb_ms = (29.7, 37.1, 41.1, 43.7)
    wet = np.zeros_like(x)
    for ms in comb_ms:
        d = samples(ms * size / 1000.0)
        g = 10.0 ** (-3.0 * (d / RATE) / decay_seconds)
        wet += comb(x, d, g)
    wet /= len(comb_ms)
    for ms in (5.0, 1.7):
        wet = allpass(wet, samples(ms / 1000.0), 0.7)
    return onepole_lowpass(wet, damping_hz)


# ---------------------------------------------------------------- shaping

def saturate(x, drive):
    """Soft saturation normalised so that full scale maps to full scale."""
    return np.tanh(drive * x) / math.tanh(drive)
