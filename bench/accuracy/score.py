#!/usr/bin/python3
"""Score drum transcriptions against the development set's ground truth.

usage: bench/accuracy/score.py DEVSET RESULTS [--title TEXT]

RESULTS mirrors the set: RESULTS/<kit>/<case>_<rate>.csv with the header
time,drum,velocity (drum kick|snare|hihat, or onset for a detector that
does not name drums; velocity may be empty). Prints Markdown tables: pooled,
per kit and per case.

Conventions (those of mir_eval's onset evaluation): a detected note matches
a true note of the same drum within 30 ms, each used at most once (a maximum
matching); precision, recall and F-measure count matches over all files
together. The onset score ignores the drum: true onsets of different drums
closer than 10 ms count as one onset (two drums struck together are one
onset for a detector that names none), and detections are merged the same
way. Timing errors are those of the matched notes (of the matched onsets for
an onset-only detector), after the engine's constant latency, the median
signed error over the whole set, is taken out. Where the truth has an
audible_db column (how far each note stands out of the mix at its onset),
recall is also given per range of it.
"""

import argparse
import csv
import math
import os
import sys

import numpy as np
from mir_eval.util import match_events

DRUMS = ("kick", "snare", "hihat")
MATCH_WINDOW = 0.030
ONSET_MERGE = 0.010
TIMING_PERCENTILE = 95
# Ranges of how far a note stands out of the mix (dB), for recall per range.
AUDIBILITY_RANGES = ((-math.inf, -6.0), (-6.0, 0.0), (0.0, 6.0), (6.0, math.inf))


def optional_float(row, key):
    value = (row.get(key) or "").strip()
    return float(value) if value else None


def read_notes(path):
    """Rows (time, drum, velocity or None, audible dB or None); a missing
    file holds no notes."""
    if not os.path.exists(path):
        return None
    with open(path, newline="") as f:
        return [(float(r["time"]), r["drum"].strip(), optional_float(r, "velocity"),
                 optional_float(r, "audible_db"))
                for r in csv.DictReader(f)]


def merge_close(times):
    """Onsets closer than ONSET_MERGE to the first of their group become one."""
    merged = []
    for t in sorted(times):
        if not merged or t - merged[-1] >= ONSET_MERGE:
            merged.append(t)
    return merged


class Tally:
    """Matches, misses and false hits of one drum (or of onsets), with the
    signed timing errors and velocity pairs of the matches."""

    def __init__(self):
        self.matched = self.true = self.found = 0
        self.errors = []
        self.velocities = []
        # per audibility range: [true notes, matched]
        self.audible = [[0, 0] for _ in AUDIBILITY_RANGES]

    def add(self, ref, est, ref_velocity=None, est_velocity=None, ref_audible=None):
        pairs = match_events(np.array(ref), np.array(est), MATCH_WINDOW) if ref and est else []
        self.matched += len(pairs)
        self.true += len(ref)
        self.found += len(est)
        for i, j in pairs:
            self.errors.append(est[j] - ref[i])
            if ref_velocity is not None and est_velocity[j] is not None:
                self.velocities.append((ref_velocity[i], est_velocity[j]))
        matched = {i for i, _ in pairs}
        for i, db in enumerate(ref_audible or []):
            if db is None:
                continue
            k = next(k for k, (lo, hi) in enumerate(AUDIBILITY_RANGES) if lo <= db < hi)
            self.audible[k][0] += 1
            self.audible[k][1] += i in matched

    def merge(self, other):
        self.matched += other.matched
        self.true += other.true
        self.found += other.found
        self.errors += other.errors
        self.velocities += other.velocities
        for mine, theirs in zip(self.audible, other.audible):
            mine[0] += theirs[0]
            mine[1] += theirs[1]

    def precision(self):
        return self.matched / self.found if self.found else math.nan

    def recall(self):
        return self.matched / self.true if self.true else math.nan

    def f_measure(self):
        total = self.true + self.found
        return 2 * self.matched / total if total else math.nan

    def velocity_correlation(self):
        if len(self.velocities) < 3:
            return math.nan
        ref, est = np.array(self.velocities).T
        if ref.std() == 0 or est.std() == 0:
            return math.nan
        return float(np.corrcoef(ref, est)[0, 1])


class FileScore:
    """The tallies of one file: per drum, all drums pooled, and onsets."""

    def __init__(self):
        self.drums = {d: Tally() for d in DRUMS}
        self.pooled = Tally()
        self.onsets = Tally()

    @classmethod
    def of(cls, truth, result):
        score = cls()
        for drum in DRUMS:
            ref = [n for n in truth if n[1] == drum]
            est = [n for n in result if n[1] == drum]
            tally = Tally()
            tally.add([n[0] for n in ref], [n[0] for n in est],
                      [n[2] for n in ref], [n[2] for n in est], [n[3] for n in ref])
            score.drums[drum].merge(tally)
            score.pooled.merge(tally)
        score.onsets.add(merge_close(n[0] for n in truth), merge_close(n[0] for n in result))
        return score

    def merge(self, other):
        for drum in DRUMS:
            self.drums[drum].merge(other.drums[drum])
        self.pooled.merge(other.pooled)
        self.onsets.merge(other.onsets)


def timing(errors, latency):
    """Median and percentile of the absolute error after the latency."""
    if not errors:
        return math.nan, math.nan
    off = np.abs(np.array(errors) - latency)
    return float(np.median(off)), float(np.percentile(off, TIMING_PERCENTILE))


def fmt(value, digits=3):
    return "–" if value is None or (isinstance(value, float) and math.isnan(value)) \
        else f"{value:.{digits}f}"


def ms(value):
    return "–" if math.isnan(value) else f"{value * 1000:.1f}"


def signed_ms(value):
    return "–" if math.isnan(value) else f"{value * 1000:+.1f}"


def summary_table(label, groups, named, latency):
    """One row per group: F per drum, pooled drum P/R/F, onset F and timing;
    onset P/R/F and timing only for a detector that names no drum."""
    drum_heads = "kick F | snare F | hihat F | drum P | drum R | drum F | onset F" if named \
        else "onset P | onset R | onset F"
    lines = [f"| {label} | {drum_heads} | timing median ms | timing p{TIMING_PERCENTILE} ms |",
             "|---|" + "---:|" * (drum_heads.count("|") + 3)]
    for name, s in groups:
        if named:
            values = [s.drums[d].f_measure() for d in DRUMS] + [
                s.pooled.precision(), s.pooled.recall(), s.pooled.f_measure()]
            errors = s.pooled.errors
        else:
            values = [s.onsets.precision(), s.onsets.recall()]
            errors = s.onsets.errors
        median, high = timing(errors, latency)
        cells = [fmt(v) for v in values + [s.onsets.f_measure()]] + [ms(median), ms(high)]
        lines.append(f"| {name} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def median_file_correlation(scores, drum):
    """The median over files of a drum's velocity correlation. A recording's
    own gain scales every velocity alike (the `quiet` case is 20 dB down
    with unchanged MIDI velocities), which the pooled figure counts as error
    and this one does not."""
    rs = [s.drums[drum].velocity_correlation() for _, s in scores]
    rs = [r for r in rs if not math.isnan(r)]
    return float(np.median(rs)) if rs else math.nan


def pooled_table(total, named, scores):
    # The median offset per drum shows a drum detected consistently early or
    # late, which the one latency of the timing figures cannot take out.
    lines = ["| | true | found | matched | precision | recall | F | median offset ms "
             "| velocity r | velocity r per file (median) |",
             "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    rows = [(d, total.drums[d]) for d in DRUMS] + [("all drums", total.pooled)] if named else []
    rows.append(("onsets (any drum)", total.onsets))
    for name, t in rows:
        r = t.velocity_correlation() if name in DRUMS else math.nan
        per_file = median_file_correlation(scores, name) if name in DRUMS else math.nan
        offset = float(np.median(t.errors)) if t.errors else math.nan
        lines.append(f"| {name} | {t.true} | {t.found} | {t.matched} | {fmt(t.precision())} "
                     f"| {fmt(t.recall())} | {fmt(t.f_measure())} | {signed_ms(offset)} | {fmt(r, 2)} "
                     f"| {fmt(per_file, 2)} |")
    return "\n".join(lines)


def audibility_table(total):
    """Recall per range of how far the true notes stand out of the mix; none
    when the truth does not say."""
    if not any(n for n, _ in total.pooled.audible):
        return []
    heads = [f"under {AUDIBILITY_RANGES[0][1]:+.0f} dB"] + [
        f"{lo:+.0f} to {hi:+.0f} dB" for lo, hi in AUDIBILITY_RANGES[1:-1]] + [
        f"{AUDIBILITY_RANGES[-1][0]:+.0f} dB and more"]
    lines = ["| notes (recall) | " + " | ".join(heads) + " |",
             "|---|" + "---:|" * len(heads)]
    for name, t in [(d, total.drums[d]) for d in DRUMS] + [("all drums", total.pooled)]:
        cells = [f"{n} ({fmt(m / n if n else math.nan)})" for n, m in t.audible]
        lines.append(f"| {name} | " + " | ".join(cells) + " |")
    return ["### Recall by how far a note stands out of the mix", "", *lines, ""]


def group(scores, key):
    out = {}
    for row, score in scores:
        out.setdefault(row[key], FileScore()).merge(score)
    return list(out.items())


def score_set(devset, results):
    """Scores per manifest row, and the rows with no result file."""
    with open(os.path.join(devset, "manifest.csv"), newline="") as f:
        rows = list(csv.DictReader(f))
    scores, missing = [], []
    for row in rows:
        truth = read_notes(os.path.join(devset, row["truth"]))
        stem = os.path.splitext(os.path.basename(row["audio"]))[0]
        result = read_notes(os.path.join(results, row["kit"], stem + ".csv"))
        if result is None:
            missing.append(f"{row['kit']}/{stem}")
            result = []
        scores.append((row, FileScore.of(truth, result)))
    return scores, missing


def report(scores, missing, title):
    total = FileScore()
    for _, s in scores:
        total.merge(s)
    # A detector that names no drum is scored on onsets only.
    named = total.pooled.found > 0 or total.onsets.found == 0
    errors = total.pooled.errors if named else total.onsets.errors
    latency = float(np.median(errors)) if errors else 0.0
    out = [f"## {title}", "",
           f"Match window ±{MATCH_WINDOW * 1000:.0f} ms, each note used once; onsets of any "
           f"drum closer than {ONSET_MERGE * 1000:.0f} ms count as one. Constant latency "
           f"(median signed error, detected minus true, taken out of the timing figures): "
           f"{latency * 1000:+.2f} ms. Files: {len(scores)}"
           + (f", {len(missing)} without results (scored as no notes: "
              f"{', '.join(missing[:5])}{' …' if len(missing) > 5 else ''})" if missing else "")
           + ".", "",
           "### Pooled", "", pooled_table(total, named, scores), "",
           "### Per kit", "", summary_table("kit", group(scores, "kit"), named, latency), "",
           "### Per case", "", summary_table("case", group(scores, "case"), named, latency), "",
           "### All", "", summary_table("set", [("all", total)], named, latency), "",
           *(audibility_table(total) if named else [])]
    return "\n".join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    parser.add_argument("devset")
    parser.add_argument("results")
    parser.add_argument("--title", default="Accuracy")
    args = parser.parse_args()
    if not os.path.exists(os.path.join(args.devset, "manifest.csv")):
        sys.exit(f"{args.devset}: no manifest.csv (build the set: cmake --build build --target devset)")
    scores, missing = score_set(args.devset, args.results)
    print(report(scores, missing, args.title))


if __name__ == "__main__":
    main()
