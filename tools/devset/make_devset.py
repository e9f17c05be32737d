#!/usr/bin/python3
"""Build the drum-transcription development set.

usage: tools/devset/make_devset.py [OUT_DIR] [--kits NAME,NAME]   (default build/devset)

Writes, for each kit:
  OUT/<kit>/examples/{kick,snare,hihat}.wav          one loud-ish hit, 44.1 kHz
  OUT/<kit>/examples/{kick,snare,hihat}_layers.wav   hits soft to loud, 1 s apart
  OUT/<kit>/examples/{kick,snare,hihat}_layers.truth.csv
  OUT/<kit>/<case>_<rate>.wav and .truth.csv         (time,drum,velocity)
and OUT/manifest.csv (kit,case,rate,audio,truth,examples; paths relative to OUT).

Everything is seeded: the same packages give the same bytes on every run.
Only the soundfonts and hydrogen kits named below are used; the others of
those packages are kept for an independent check.
"""

import argparse
import csv
import os
import sys

import numpy as np
import soundfile as sf

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import audibility  # noqa: E402
import mixing  # noqa: E402
import patterns  # noqa: E402
from drum_sources import HydrogenKit, SoundfontKit  # noqa: E402

EXAMPLE_RATE = 44100
CASE_RATES = (44100, 48000)
EXAMPLE_VELOCITY = 112
LAYER_VELOCITIES = (24, 48, 72, 96, 112, 127)
LAYER_SPACING_SECONDS = 1.0
LEAD_IN_SECONDS = 0.05
# Loudest example hit of a kit at this peak; every case of the kit uses the
# same gain, so a case's hits are as loud as the examples at equal velocity.
EXAMPLE_PEAK = 0.25
QUIET_DB = -20.0
NOISE_SNR_DB = 20.0
SEED = 20261209

SOUNDFONTS = [
    ("timgm6mb", "/usr/share/sounds/sf2/TimGM6mb.sf2"),
    ("musescore_general", "/usr/share/sounds/sf3/MuseScore_General_Full.sf3"),
]

# Instrument names in each kit's drumkit.xml for our voices; None where the
# kit has no such drum.
HYDROGEN_KITS = [
    ("BJA_Pacific", dict(kick="BassDrum", snare="Snare", hihat="Hi Hat Closed",
                         hihat_open="Hi Hat Opened", tom_high="Tom", tom_low="Floor Tom",
                         crash="Crash Left", ride="Ride")),
    ("ForzeeStereo", dict(kick="Kick", snare="Snare", hihat="Hi-Hat Closed",
                          hihat_open="Hi-Hat Open", tom_high="Tom High", tom_low="Tom Low",
                          crash="Crash", ride="Ride")),
    ("Millo-Drums_v.1", dict(kick="Kick", snare="Snare Rock", hihat="Closed HH",
                             hihat_open="Open HH", tom_high="Tom Hi", tom_low="Tom Low",
                             crash="Crash", ride="Ride Rock")),
    ("Millo_MultiLayered2", dict(kick="Kick", snare="Snare Rock", hihat="Closed HH",
                                 hihat_open="Open HH", tom_high="Tom Hi", tom_low="Tom Low",
                                 crash="Crash", ride="Ride Rock")),
    ("VariBreaks", dict(kick="VariBreaks Kick 1", snare="VariBreaks Snare 1",
                        hihat="VariBreaks Hat 1 Cl", hihat_open="VariBreaks Hat 1 Op",
                        tom_high="VariBreaks Tom Hi", tom_low="VariBreaks Tom Low",
                        crash=None, ride=None)),
    # An electronic kit: no toms or cymbals, so its zaps and effect stand in.
    ("HardElectro1", dict(kick="Kick 1", snare="Snare", hihat="Closed HH 2",
                          hihat_open="Open HH", tom_high="Zap 1", tom_low="Zap 2",
                          crash="FX", ride="Side OHH")),
    ("Audiophob", dict(kick="Kick", snare="Snare Rock", hihat="Closed HH",
                       hihat_open="Open HH", tom_high="Tom Hi", tom_low="Tom Low",
                       crash="Crash", ride="Ride Jazz")),
]

# Tempo of each kit's groove (and of its reverb, noise and quiet versions).
GROOVE_BPM = (100, 112, 96, 120, 108, 104, 116, 92, 124)

CASES = ("groove", "together", "flams", "ghosts", "hats180", "reverb", "others",
         "noise", "quiet")


def all_kits():
    kits = [SoundfontKit(name, font) for name, font in SOUNDFONTS]
    kits += [HydrogenKit(name, voices) for name, voices in HYDROGEN_KITS]
    return kits


def case_hits(case, kit_index):
    """The pattern of a case; the groove's variants share the groove's notes."""
    base = case if case in ("together", "flams", "ghosts", "hats180", "others") else "groove"
    rng = np.random.default_rng([SEED, kit_index, CASES.index(base)])
    if base == "groove":
        return patterns.groove(rng, GROOVE_BPM[kit_index])
    return getattr(patterns, base)(rng)


def case_rate(kit_index, case):
    # Alternating rates: every kit and every case meets both, at half the size
    # of rendering everything twice.
    return CASE_RATES[(kit_index + CASES.index(case)) % len(CASE_RATES)]


def finish_case(case, audio, rate, kit_index):
    rng = np.random.default_rng([SEED, kit_index, CASES.index(case), 1])
    if case == "reverb":
        return mixing.reverb(audio, rate, rng)
    if case == "noise":
        return mixing.add_noise(audio, rng, NOISE_SNR_DB, pink=kit_index % 2 == 1)
    if case == "quiet":
        return audio * 10 ** (QUIET_DB / 20)
    return audio


def write_audio(path, audio, rate):
    peak = np.abs(audio).max()
    if peak >= 1.0:
        raise SystemExit(f"{path}: peak {peak:.2f} would clip")
    sf.write(path, audio, rate, subtype="PCM_16")


def write_truth(path, rows, audible=None):
    """audible: per row, how far the note stands out of the mix (dB)."""
    with open(path, "w", newline="") as f:
        out = csv.writer(f)
        out.writerow(["time", "drum", "velocity"] + (["audible_db"] if audible else []))
        order = sorted(range(len(rows)), key=lambda i: rows[i])
        for i in order:
            t, drum, velocity = rows[i]
            out.writerow([f"{t:.6f}", drum, velocity] + ([f"{audible[i]:.1f}"] if audible else []))


def write_examples(kit, folder, gain):
    os.makedirs(folder, exist_ok=True)
    for drum in patterns.SCORED_VOICES:
        shot = kit.one_shot(drum, EXAMPLE_VELOCITY, EXAMPLE_RATE)
        audio, _ = mixing.mix([(LEAD_IN_SECONDS, drum, EXAMPLE_VELOCITY)], kit,
                              EXAMPLE_RATE, gain)
        # The mix keeps a tail of silence; an example ends with its decay.
        write_audio(os.path.join(folder, f"{drum}.wav"),
                    audio[:round(LEAD_IN_SECONDS * EXAMPLE_RATE) - shot.onset
                          + len(shot.signal)],
                    EXAMPLE_RATE)
        hits = [(LEAD_IN_SECONDS + i * LAYER_SPACING_SECONDS, drum, v)
                for i, v in enumerate(LAYER_VELOCITIES)]
        audio, truth = mixing.mix(hits, kit, EXAMPLE_RATE, gain)
        write_audio(os.path.join(folder, f"{drum}_layers.wav"), audio, EXAMPLE_RATE)
        write_truth(os.path.join(folder, f"{drum}_layers.truth.csv"), truth)


def kit_gain(kit):
    peaks = [np.abs(kit.one_shot(d, EXAMPLE_VELOCITY, EXAMPLE_RATE).signal).max()
             for d in patterns.SCORED_VOICES]
    return EXAMPLE_PEAK / max(peaks)


def build_kit(kit, kit_index, out_dir):
    hits = {case: [h for h in case_hits(case, kit_index) if kit.has(h[1])] for case in CASES}
    needs = {rate: [] for rate in CASE_RATES}
    needs[EXAMPLE_RATE] += [(d, v) for d in patterns.SCORED_VOICES
                            for v in LAYER_VELOCITIES + (EXAMPLE_VELOCITY,)]
    for case in CASES:
        needs[case_rate(kit_index, case)] += [(voice, v) for _, voice, v in hits[case]]
    for rate, wanted in needs.items():
        kit.prepare(wanted, rate)

    folder = os.path.join(out_dir, kit.name)
    gain = kit_gain(kit)
    write_examples(kit, os.path.join(folder, "examples"), gain)
    rows = []
    for case in CASES:
        rate = case_rate(kit_index, case)
        placed = []
        audio, truth = mixing.mix(hits[case], kit, rate, gain, placed)
        audio = finish_case(case, audio, rate, kit_index)
        # Only the quiet case scales the notes themselves; reverberation and
        # noise are added to them.
        scale = 10 ** (QUIET_DB / 20) if case == "quiet" else 1.0
        audible = [audibility.note_to_rest_db(audio, scale * signal, start, onset, rate)
                   for start, signal, onset in placed]
        stem = f"{case}_{rate}"
        write_audio(os.path.join(folder, stem + ".wav"), audio, rate)
        write_truth(os.path.join(folder, stem + ".truth.csv"), truth, audible)
        rows.append([kit.name, case, rate, f"{kit.name}/{stem}.wav",
                     f"{kit.name}/{stem}.truth.csv", f"{kit.name}/examples"])
        print(f"{kit.name:20s} {case:9s} {rate} Hz {len(truth):4d} notes", flush=True)
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    parser.add_argument("out", nargs="?",
                        default=os.path.join(here, "..", "..", "build", "devset"))
    parser.add_argument("--kits", help="comma-separated kit names (default: all)")
    args = parser.parse_args()

    kits = all_kits()
    if args.kits:
        wanted = args.kits.split(",")
        unknown = set(wanted) - {k.name for k in kits}
        if unknown:
            parser.error(f"unknown kits: {', '.join(sorted(unknown))}")
    rows = []
    for index, kit in enumerate(kits):
        if not args.kits or kit.name in wanted:
            rows += build_kit(kit, index, args.out)
    with open(os.path.join(args.out, "manifest.csv"), "w", newline="") as f:
        out = csv.writer(f)
        out.writerow(["kit", "case", "rate", "audio", "truth", "examples"])
        out.writerows(rows)


if __name__ == "__main__":
    main()
