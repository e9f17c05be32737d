#!/usr/bin/python3
"""Writes the material of `tamboro demo` into demo/: a two-bar groove played
with recorded drums, one example hit of each drum, and where every hit of the
groove begins.

usage: tools/demo/make_recorded_demo.py [FOLDER]

The drums are the kick, snare and closed hi-hat of the Audiophob kit of
Debian's hydrogen-drumkits (CC0). Deterministic: the same package gives the
same files.
"""

import os
import sys

import numpy as np
import soundfile as sf

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "devset"))
import drum_sources  # noqa: E402

RATE = 44100
TEMPO = 100
BARS = 2
STEPS_PER_BEAT = 2  # eighth notes
BEATS_PER_BAR = 4
LEAD_IN = RATE // 4
TAIL_SECONDS = 1.0
PEAK = 0.7
EXAMPLE_VELOCITY = 110
EXAMPLE_LEAD_IN = RATE // 10
EXAMPLE_SECONDS = 1.0

# Per bar, (step, drum, velocity): hi-hats on every eighth with an accent on
# the beat, the kick with them on 1 and 3 (and a push before 3 in the second
# bar), the snare on 2 and 4.
BAR = [(s, "hihat", 100 if s % 2 == 0 else 70) for s in range(8)] + [
    (0, "kick", 118), (4, "kick", 110), (2, "snare", 112), (6, "snare", 115)]
LAST_BAR_EXTRA = [(3, "kick", 90)]

KIT = drum_sources.HydrogenKit("Audiophob", dict(kick="Kick", snare="Snare Rock",
                                                 hihat="Closed HH"))


def step_sample(bar, step):
    samples_per_step = RATE * 60 / TEMPO / STEPS_PER_BEAT
    return LEAD_IN + round((bar * STEPS_PER_BEAT * BEATS_PER_BAR + step) * samples_per_step)


def place(mix, shot, at):
    start = at - shot.onset
    end = min(len(mix), start + len(shot.signal))
    mix[start:end] += shot.signal[:end - start]


def groove():
    hits = []
    for bar in range(BARS):
        for step, drum, velocity in BAR + (LAST_BAR_EXTRA if bar == BARS - 1 else []):
            hits.append((step_sample(bar, step), drum, velocity))
    hits.sort()
    frames = step_sample(BARS, 0) + round(TAIL_SECONDS * RATE)
    mix = np.zeros((frames, 2))
    for at, drum, velocity in hits:
        place(mix, KIT.one_shot(drum, velocity, RATE), at)
    return mix, hits


def example(drum, gain):
    audio = np.zeros((round(EXAMPLE_SECONDS * RATE), 2))
    place(audio, KIT.one_shot(drum, EXAMPLE_VELOCITY, RATE), EXAMPLE_LEAD_IN)
    return audio * gain


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "demo")
    os.makedirs(folder, exist_ok=True)
    mix, hits = groove()
    gain = PEAK / np.abs(mix).max()
    sf.write(os.path.join(folder, "loop.flac"), mix * gain, RATE, subtype="PCM_16")
    for drum in ("kick", "snare", "hihat"):
        sf.write(os.path.join(folder, drum + ".flac"), example(drum, gain), RATE, subtype="PCM_16")
    with open(os.path.join(folder, "groove.txt"), "w") as f:
        f.write("# The groove in loop.flac: its tempo, its bars, the sample of its first\n"
                "# beat, then each hit's sample (its audible onset) and drum.\n")
        f.write(f"tempo {TEMPO}\nbars {BARS}\nfirst_beat {LEAD_IN}\n")
        for at, drum, _ in hits:
            f.write(f"hit {at} {drum}\n")


if __name__ == "__main__":
    main()
