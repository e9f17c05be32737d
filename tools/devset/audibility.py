"""How far a scored note stands out of the finished mix at its onset.

A detector can only find a stroke that changes the sound. For each note this
measures, in short windows from its audible onset and in octave bands, the
energy of the note's own signal against that of everything else in the
finished case (the other hits, earlier rings, reverberation, noise), and
keeps the largest ratio in dB. A soft hat struck in a louder one's ring can
lie 20 dB under the rest in every band and window: no energy-based detector
hears it. The scorer reports recall per range of this figure, so that the
misses of notes nobody can hear are told apart from real faults.
"""
import numpy as np

WINDOW_SECONDS = 0.010      # short enough for an attack, long enough for 100 Hz bins
WINDOWS = 3                 # the first 30 ms after the onset
LOWEST_EDGE_HZ = 200.0      # the first band is everything under it
HIGHEST_HZ = 16000.0        # what most listeners still hear
SILENCE = 1e-20


def band_energies(segment, rate):
    """Energy per octave band of a Hann-windowed mono segment."""
    spectrum = np.abs(np.fft.rfft(segment * np.hanning(len(segment)))) ** 2
    freqs = np.fft.rfftfreq(len(segment), 1.0 / rate)
    top = min(HIGHEST_HZ, rate / 2)
    edges = [0.0]
    edge = LOWEST_EDGE_HZ
    while edge < top:
        edges.append(edge)
        edge *= 2
    edges.append(top)
    return np.array([spectrum[(freqs >= lo) & (freqs < hi)].sum()
                     for lo, hi in zip(edges[:-1], edges[1:])])


def note_to_rest_db(final, note, start, onset, rate):
    """The largest ratio, over bands and windows, of the note's energy to the
    rest of `final` (stereo). `note` is the note's stereo signal as it lies
    in `final` from sample `start`; its audible onset is `onset` samples in."""
    n = int(round(WINDOW_SECONDS * rate))
    best = -np.inf
    for k in range(WINDOWS):
        a = start + onset + k * n
        if a + n > len(final):
            break
        own = np.zeros(n)
        part = note[a - start:a - start + n].mean(axis=1)
        own[:len(part)] = part
        rest = final[a:a + n].mean(axis=1) - own
        ratio = (band_energies(own, rate) + SILENCE) / (band_energies(rest, rate) + SILENCE)
        best = max(best, float(10 * np.log10(ratio.max())))
    return best
