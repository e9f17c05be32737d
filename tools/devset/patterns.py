"""The note patterns of the development set's cases.

Each builder takes a seeded random generator and returns hits as
(time in seconds of the audible onset, voice, MIDI velocity). The voices
kick, snare and hihat are scored; the others (toms, cymbals, open hi-hat)
only sound. Times are humanised a little and velocities vary, as a
drummer's do.
"""

import numpy as np

START_SECONDS = 0.5        # silence before the first hit
CASE_SECONDS = 15.0        # length of a pattern, about
HUMANISE_SECONDS = 0.004   # standard deviation of a hit's timing error
HUMANISE_LIMIT = 0.010
# Velocities on a grid of 4 (and 127): the soundfonts then render at most
# 33 strengths per voice, and nothing is lost for scoring.
VELOCITY_STEP = 4

SCORED_VOICES = ("kick", "snare", "hihat")


def velocity(rng, low, high):
    v = rng.integers(low, high + 1)
    return int(min(127, max(1, round(v / VELOCITY_STEP) * VELOCITY_STEP)))


def jitter(rng):
    return float(np.clip(rng.normal(0.0, HUMANISE_SECONDS), -HUMANISE_LIMIT, HUMANISE_LIMIT))


class Grid:
    """Sixteenth-note positions of a tempo, counted from the start."""

    def __init__(self, bpm):
        self.sixteenth = 60.0 / bpm / 4.0
        self.bars = max(1, round(CASE_SECONDS / (16 * self.sixteenth)))

    def time(self, bar, step):
        return START_SECONDS + (bar * 16 + step) * self.sixteenth

    def steps(self):
        for bar in range(self.bars):
            for step in range(16):
                yield bar, step


def groove(rng, bpm, ghost_chance=0.2):
    """Kick, snare and hi-hats of a pop/rock groove: 8th hats, 16th hats in
    every other pair of bars, kick variations, ghost snares and a fill."""
    grid, hits = Grid(bpm), []
    for bar, step in grid.steps():
        t = grid.time(bar, step) + jitter(rng)
        sixteenths = bar % 4 >= 2
        last_bar = bar == grid.bars - 1
        if step % 4 == 0:
            hits.append((t, "hihat", velocity(rng, 80, 110)))
        elif step % 2 == 0:
            hits.append((t, "hihat", velocity(rng, 56, 84)))
        elif sixteenths:
            hits.append((t, "hihat", velocity(rng, 32, 60)))
        if step in (0, 8) or (step == 10 and rng.random() < 0.4) \
                or (step in (7, 14) and rng.random() < 0.2):
            hits.append((t + jitter(rng) / 2, "kick", velocity(rng, 84, 124)))
        if step in (4, 12):
            hits.append((t + jitter(rng) / 2, "snare", velocity(rng, 96, 127)))
        elif last_bar and step >= 13:
            hits.append((t, "snare", velocity(rng, 64, 104)))
        elif step % 2 == 1 and rng.random() < ghost_chance:
            hits.append((t, "snare", velocity(rng, 16, 40)))
    return hits


def together(rng, bpm=110):
    """Two or three drums struck on the same sample: kick+hihat, snare+hihat,
    kick+snare, all three; strengths vary independently."""
    grid, hits = Grid(bpm), []
    combos = [("kick", "hihat"), ("snare", "hihat"), ("kick", "hihat"),
              ("snare", "hihat"), ("kick", "snare"), ("kick", "snare", "hihat")]
    beat = 0
    for bar, step in grid.steps():
        t = grid.time(bar, step) + jitter(rng)
        if step % 4 == 0:
            for voice in combos[beat % len(combos)]:
                hits.append((t, voice, velocity(rng, 40, 127)))
            beat += 1
        elif step % 4 == 2:
            hits.append((t, "hihat", velocity(rng, 40, 90)))
    return hits


def flams(rng, bpm=90):
    """Flams and drags on the snare, double kicks, hi-hat and kick-snare
    flams: notes 15-60 ms apart, over 8th hi-hats."""
    grid, hits = Grid(bpm), []
    figure = 0
    for bar, step in grid.steps():
        t = grid.time(bar, step) + jitter(rng)
        if step % 4 == 2:
            hits.append((t, "hihat", velocity(rng, 48, 88)))
        if step % 4 != 0:
            continue
        gap = rng.uniform(0.015, 0.060)
        kind = figure % 5
        figure += 1
        if kind == 0:    # flam: a soft grace note before the main stroke
            hits.append((t - gap, "snare", velocity(rng, 28, 64)))
            hits.append((t, "snare", velocity(rng, 92, 127)))
        elif kind == 1:  # drag: two grace notes before the main stroke
            hits.append((t - 2 * gap, "snare", velocity(rng, 28, 60)))
            hits.append((t - gap, "snare", velocity(rng, 28, 60)))
            hits.append((t, "snare", velocity(rng, 92, 127)))
        elif kind == 2:  # double kick
            hits.append((t, "kick", velocity(rng, 84, 124)))
            hits.append((t + gap, "kick", velocity(rng, 72, 120)))
        elif kind == 3:  # kick then snare, close together
            hits.append((t, "kick", velocity(rng, 84, 124)))
            hits.append((t + gap, "snare", velocity(rng, 72, 124)))
        else:            # hi-hat flam
            hits.append((t, "hihat", velocity(rng, 40, 80)))
            hits.append((t + gap, "hihat", velocity(rng, 72, 116)))
    return hits


def ghosts(rng, bpm=100):
    """Soft ghost snares right next to loud kicks and snares: a 16th or a
    32nd before or after."""
    grid, hits = Grid(bpm), []
    thirty_second = grid.sixteenth / 2
    for bar, step in grid.steps():
        t = grid.time(bar, step) + jitter(rng)
        if step % 2 == 0:
            hits.append((t, "hihat", velocity(rng, 48, 84)))
        if step in (0, 8):
            hits.append((t, "kick", velocity(rng, 104, 127)))
        if step in (4, 12):
            hits.append((t, "snare", velocity(rng, 108, 127)))
            if rng.random() < 0.5:
                hits.append((t + thirty_second + jitter(rng) / 2, "snare",
                             velocity(rng, 12, 32)))
        if step in (3, 5, 7, 9, 11, 13, 15) and rng.random() < 0.55:
            hits.append((t, "snare", velocity(rng, 12, 36)))
    return hits


def hats180(rng, bpm=180):
    """16th hi-hats at 180 bpm, accented on the beat, with a soft hat right
    after every loud kick and snare."""
    grid, hits = Grid(bpm), []
    for bar, step in grid.steps():
        t = grid.time(bar, step) + jitter(rng) / 2
        after_loud = step in (1, 5, 9, 13)
        if step % 4 == 0:
            hits.append((t, "hihat", velocity(rng, 72, 104)))
        elif after_loud:
            hits.append((t, "hihat", velocity(rng, 16, 36)))
        else:
            hits.append((t, "hihat", velocity(rng, 40, 72)))
        if step in (0, 8):
            hits.append((t, "kick", velocity(rng, 104, 127)))
        if step in (4, 12):
            hits.append((t, "snare", velocity(rng, 108, 127)))
    return hits


def others(rng, bpm=104):
    """A groove with what is none of the three drums: crashes on the bar,
    ride instead of hi-hat for a while, open hi-hats, tom fills."""
    grid, hits = Grid(bpm), []
    for bar, step in grid.steps():
        t = grid.time(bar, step) + jitter(rng)
        ride_bars = bar % 8 in (4, 5)
        fill_bar = bar % 4 == 3
        if bar % 4 == 0 and step == 0:
            hits.append((t, "crash", velocity(rng, 96, 124)))
        if step % 2 == 0 and not (fill_bar and step >= 8):
            if ride_bars:
                hits.append((t, "ride", velocity(rng, 64, 104)))
            elif step == 14 and bar % 2 == 1:
                hits.append((t, "hihat_open", velocity(rng, 72, 108)))
            else:
                hits.append((t, "hihat", velocity(rng, 56, 104)))
        if step in (0, 8) or (step == 10 and rng.random() < 0.3):
            hits.append((t, "kick", velocity(rng, 88, 124)))
        if step in (4, 12) and not (fill_bar and step == 12):
            hits.append((t, "snare", velocity(rng, 96, 127)))
        if fill_bar and step >= 8:
            tom = "tom_high" if step < 12 else "tom_low"
            hits.append((t, tom, velocity(rng, 72, 120)))
    return hits
