"""The instruments of the default kit, in the manner of the classic analog
drum machines: swept sines for kicks and toms, resonators and filtered noise
for snares and claps, detuned square banks for hats and cymbals.

Each voice returns an unscaled float signal; wavfile.finish() fades and
scales it. Seeds are fixed so every run gives the same sounds.
"""

import numpy as np

from . import dsp
from .dsp import (attack_decay, bandpass, damped_sine, decay, highpass, lowpass,
                  metal, noise, saturate, small_room, sweep_phase, timeline)

# Six square oscillators at the classic inharmonic cymbal pitches.
HAT_FREQS = (205.3, 304.4, 369.6, 522.7, 540.0, 800.0)


def _kick(t, f_start, f_end, pitch_tau, amp_tau, drive):
    freq = f_end + (f_start - f_end) * np.exp(-t / pitch_tau)
    body = np.sin(sweep_phase(freq)) * decay(t, amp_tau)
    return saturate(body, drive)


def kick_punchy():
    """BD_02: fast sweep from 230 Hz to 50 Hz, firm body, noisy click."""
    t = timeline(0.5)
    body = _kick(t, 230.0, 50.0, 0.028, 0.12, 1.8)
    click = highpass(noise(len(t), 11), 1500.0) * decay(t, 0.003)
    click += damped_sine(1800.0, 0.0015, t)
    return body + 0.35 * click


def kick_boom():
    """BD_01: low, long, rounder kick with a slower, shallower sweep."""
    t = timeline(0.7)
    body = _kick(t, 110.0, 47.0, 0.05, 0.19, 1.2)
    click = lowpass(noise(len(t), 12), 3000.0) * decay(t, 0.002)
    return body + 0.15 * click


def _snare(t, tones, tone_taus, tone_level, noise_hp, noise_lp, noise_tau, seed):
    drop = 1.0 + 0.12 * np.exp(-t / 0.015)
    tone = sum(np.sin(sweep_phase(f * drop)) * decay(t, tau)
               for f, tau in zip(tones, tone_taus))
    snap = lowpass(highpass(noise(len(t), seed), noise_hp), noise_lp)
    snap *= attack_decay(t, 0.001, noise_tau)
    mix = tone_level * tone + snap / np.max(np.abs(snap))
    return saturate(mix / np.max(np.abs(mix)), 2.2)


def snare_a():
    """SNARE_01: two tuned heads near 185/330 Hz and a broad noise wire."""
    t = timeline(0.35)
    return _snare(t, (185.0, 330.0), (0.07, 0.04), 0.6, 1200.0, 9000.0, 0.07, 21)


def snare_b():
    """SNARE_02: higher, ringing 238/476 Hz body and a tight, bright snap."""
    t = timeline(0.3)
    return _snare(t, (238.0, 476.0), (0.06, 0.035), 0.6, 2500.0, 12000.0, 0.055, 22)


def rimshot():
    """RIM_01: two short resonators struck hard, band-limited."""
    t = timeline(0.1)
    ring = damped_sine(1690.0, 0.009, t) + 0.8 * damped_sine(455.0, 0.012, t)
    ring += 0.3 * highpass(noise(len(t), 31), 3000.0) * decay(t, 0.002)
    return highpass(saturate(ring, 2.5), 300.0)


def _tom(f0, length, amp_tau, seed):
    t = timeline(length)
    freq = f0 * (1.0 + 0.45 * np.exp(-t / 0.06))
    ph = sweep_phase(freq)
    body = (np.sin(ph) + 0.25 * np.sin(1.5 * ph)) * decay(t, amp_tau)
    hit = lowpass(noise(len(t), seed), 4000.0) * decay(t, 0.008)
    return saturate(body + 0.3 * hit, 1.4)


def tom_low():
    return _tom(95.0, 0.6, 0.16, 41)


def tom_mid():
    return _tom(135.0, 0.5, 0.13, 42)


def tom_high():
    return _tom(190.0, 0.45, 0.11, 43)


def _hat(length, tau, seed):
    t = timeline(length)
    raw = metal(HAT_FREQS, t, seed)
    tone = highpass(highpass(bandpass(raw, 10000.0, 1.0), 7000.0), 7000.0)
    return tone * decay(t, tau)


def hat_closed():
    """909 Closed Hihat: short, tight burst of the square bank."""
    return _hat(0.15, 0.022, 51)


def hat_open():
    """909 Open Hihat+Rvrb: same bank, long decay, a small room behind it."""
    hat = _hat(1.0, 0.2, 51)
    return hat + 0.35 * small_room(hat, decay_seconds=0.5, damping_hz=9000.0)


def crash():
    """CRASH_01: two square banks ring-modulated for density, bright noise
    on the attack, long decay."""
    t = timeline(2.0)
    a = metal(HAT_FREQS, t, 61)
    b = metal(tuple(f * 1.4471 for f in HAT_FREQS), t, 62)
    raw = a + b + 0.8 * a * b
    body = highpass(bandpass(raw, 6500.0, 0.7), 3500.0)
    air = highpass(noise(len(t), 63), 6000.0)
    sig = body * decay(t, 0.55) + 0.25 * air * (0.5 * decay(t, 0.06) + 0.5 * decay(t, 0.5))
    return sig * attack_decay(t, 0.002, 10.0)


def ride():
    """RIDE_01: bell partials for the ping over a quieter metallic wash."""
    t = timeline(1.6)
    raw = metal((263.0, 400.0, 421.0, 474.0, 587.0, 845.0), t, 71)
    wash = highpass(bandpass(raw, 8000.0, 1.2), 5000.0)
    bell = sum(damped_sine(f, tau, t, p) for f, tau, p in
               ((3050.0, 0.5, 0.3), (4370.0, 0.35, 1.1), (5120.0, 0.25, 2.0), (6640.0, 0.2, 0.7)))
    env = 0.45 * decay(t, 0.025) + 0.55 * decay(t, 0.55)
    return (wash * 1.2 + 0.12 * bell) * env


def cowbell():
    """COWBELL: two squares a fifth-ish apart (540/800 Hz), band-passed,
    with a sharp first drop and a short ring."""
    t = timeline(0.35)
    raw = dsp.square(540.0, t, 0.4) + dsp.square(800.0, t, 1.9)
    # A wide band around the upper partials keeps the clank above the two
    # fundamentals instead of a plain two-note chord.
    tone = highpass(bandpass(raw, 1500.0, 0.8), 450.0)
    return tone * (0.65 * decay(t, 0.01) + 0.35 * decay(t, 0.09))


def clave():
    """CLAVE: one bright resonator, very short."""
    t = timeline(0.12)
    return damped_sine(2500.0, 0.02, t) + 0.1 * damped_sine(5000.0, 0.006, t)


def shaker():
    """SHAKER: bright noise that swells in and dies away."""
    t = timeline(0.2)
    hiss = highpass(bandpass(noise(len(t), 81), 6500.0, 0.9), 4000.0)
    return hiss * attack_decay(t, 0.03, 0.04)


def _clap(burst_times, center, q, burst_tau, tail_tau, length, seed, room):
    t = timeline(length)
    src = lowpass(highpass(bandpass(noise(len(t), seed), center, q), 500.0), 8000.0)
    sig = np.zeros_like(t)
    for start in burst_times:
        # Each burst is brought to the same peak, so none of them gets lost
        # to an unlucky stretch of noise.
        burst = src * np.where(t >= start, attack_decay(np.maximum(t - start, 0.0), 0.0004, burst_tau), 0.0)
        sig += burst / np.max(np.abs(burst))
    last = burst_times[-1]
    tail = src * np.where(t >= last, attack_decay(np.maximum(t - last, 0.0), 0.002, tail_tau), 0.0)
    sig += 0.6 * tail / np.max(np.abs(tail))
    if room:
        sig += room * small_room(sig, decay_seconds=0.4, damping_hz=5000.0, size=0.7)
    return saturate(sig, 1.5)


def clap_a():
    """CLAP_02: four separate bursts about 10 ms apart, then the tail."""
    return _clap((0.0, 0.010, 0.021, 0.031), 1150.0, 1.6, 0.0035, 0.085, 0.4, 91, 0.0)


def clap_b():
    """CLAP_01: three wider-spaced, lower bursts and a roomier tail."""
    return _clap((0.0, 0.012, 0.026), 900.0, 1.3, 0.004, 0.11, 0.45, 92, 0.3)


# File name, voice, fade-in seconds, fade-out seconds.
KIT = (
    ("BD_01.WAV", kick_boom, 0.0005, 0.2),
    ("BD_02.WAV", kick_punchy, 0.0005, 0.15),
    ("SNARE_01.WAV", snare_a, 0.0005, 0.08),
    ("SNARE_02.WAV", snare_b, 0.0005, 0.06),
    ("RIM_01.WAV", rimshot, 0.0003, 0.01),
    ("CLAP_01.WAV", clap_b, 0.0004, 0.08),
    ("CLAP_02.WAV", clap_a, 0.0004, 0.06),
    ("TOM_LO.WAV", tom_low, 0.0005, 0.18),
    ("TOM_MID.WAV", tom_mid, 0.0005, 0.15),
    ("TOM_HI.WAV", tom_high, 0.0005, 0.13),
    ("909 Closed Hihat.WAV", hat_closed, 0.0003, 0.015),
    ("909 Open Hihat+Rvrb.WAV", hat_open, 0.0003, 0.08),
    ("CRASH_01.WAV", crash, 0.0005, 0.5),
    ("RIDE_01.WAV", ride, 0.0005, 0.35),
    ("COWBELL.WAV", cowbell, 0.0003, 0.08),
    ("CLAVE.WAV", clave, 0.0003, 0.01),
    ("SHAKER.WAV", shaker, 0.0005, 0.02),
)
