"""Mixing one-shots into a case, and what is done to a whole mix: reverb, noise."""

import numpy as np
from scipy.signal import fftconvolve

from drum_sources import fade_out
from patterns import SCORED_VOICES

TAIL_SECONDS = 2.0          # after the last hit, for its decay (and the reverb's)
REVERB_RT60 = 1.5           # seconds for the tail to fall by 60 dB
REVERB_SECONDS = 2.0        # length of the impulse response
REVERB_PREDELAY = 0.012     # the first reflections arrive a little after the hit
REVERB_WET = 0.6            # wet level against the dry mix (about -4 dB)
HIHAT_VOICES = ("hihat", "hihat_open")


def mix(hits, kit, rate, gain, placed=None):
    """Sum every hit's one-shot so that its audible onset falls on the
    sample nearest its time. Returns the stereo mix and the truth rows
    (time, drum, velocity) of the scored voices, times on that sample.
    `placed`, if given, receives per truth row (start, signal, onset): where
    the note's signal lies in the mix."""
    hits = sorted(hits)
    length = int((max(t for t, _, _ in hits) + TAIL_SECONDS) * rate)
    out = np.zeros((length, 2))
    truth = []
    for index, (t, voice, velocity) in enumerate(hits):
        shot = kit.one_shot(voice, velocity, rate)
        at = round(t * rate)
        start = at - shot.onset
        signal = shot.signal
        if voice == "hihat_open":
            signal = choke(signal, shot.onset, hits[index + 1:], at, rate)
        if start < 0:
            raise SystemExit(f"{kit.name}: a hit at {t:.3f} s starts before the file")
        end = min(length, start + len(signal))
        out[start:end] += gain * signal[:end - start]
        if voice in SCORED_VOICES:
            truth.append((at / rate, voice, velocity))
            if placed is not None:
                placed.append((start, gain * signal[:end - start], shot.onset))
    return out, truth


def choke(signal, onset, later_hits, at, rate):
    """An open hi-hat stops when the hi-hat is next struck, as a real one
    closes under the foot."""
    for t, voice, _ in later_hits:
        if voice in HIHAT_VOICES:
            return fade_out(signal, min(len(signal), onset + round(t * rate) - at))
    return signal


def reverb(mix, rate, rng):
    """A long hall-like tail: decorrelated, exponentially decaying noise per
    channel as the impulse response, added to the dry mix."""
    n = int(REVERB_SECONDS * rate)
    t = np.arange(n) / rate
    decay = np.exp(-np.log(1000.0) * t / REVERB_RT60)   # -60 dB at RT60
    predelay = int(REVERB_PREDELAY * rate)
    wet = np.zeros_like(mix)
    for channel in range(2):
        ir = np.zeros(n + predelay)
        ir[predelay:] = rng.standard_normal(n) * decay
        ir /= np.sqrt(np.sum(ir ** 2))       # unit energy: the wet level is REVERB_WET
        wet[:, channel] = fftconvolve(mix[:, channel], ir)[:len(mix)]
    return mix + REVERB_WET * wet


def pink_noise(rng, n):
    """Noise whose power falls 3 dB per octave (1/f), shaped in the frequency domain."""
    spectrum = np.fft.rfft(rng.standard_normal(n))
    f = np.arange(len(spectrum), dtype=float)
    f[0] = 1.0
    return np.fft.irfft(spectrum / np.sqrt(f), n)


def add_noise(mix, rng, snr_db, pink):
    """Add stationary noise at `snr_db` below the mix's mean power."""
    noise = np.stack([pink_noise(rng, len(mix)) if pink else rng.standard_normal(len(mix))
                      for _ in range(2)], axis=1)
    signal_power = np.mean(mix ** 2)
    noise *= np.sqrt(signal_power / np.mean(noise ** 2) / 10 ** (snr_db / 10))
    return mix + noise
