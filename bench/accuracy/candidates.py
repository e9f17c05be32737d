#!/usr/bin/python3
"""Label the transcriber's onset candidates and fit its near-threshold rule.

usage: bench/accuracy/candidates.py --devset DIR --build BUILD [--drum snare]
                                    [--out DIR] [--jobs N]

Runs BUILD/bench/transcribe_file --candidates over every recording of the
development set, taught the kit's example hits: each peak of a drum's
activation that the onset picker weighed, with its evidence and decision.
A candidate is true where it matches a true note of its drum within 30 ms
(the accepted ones are matched first, then the rejected ones to the notes
left). Prints, per drum, how many true and false candidates were accepted and
rejected (what a better decision could still win), then fits a logistic rule
of the evidence to the drum's candidates within a factor of two of their
threshold, as the picker's NearThresholdRule weighs them: with each kit left
out in turn (its candidates decided by the weights fitted on the others) and
on all kits. The drum's F-measure is replayed over the recorded candidates, so
it leaves out what a changed decision would change later (the drum's last
onset and strongest recent hit).
"""

import argparse
import csv
import os
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

import numpy as np
from mir_eval.util import match_events

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import score  # noqa: E402

# As the picker's rule: its band, the share of what the free components took
# and the floor of its log ratios.
NEAR = 2.0
SHARE_OF_UNEXPLAINED = 0.05
RATIO_FLOOR = 1e-4
FEATURES = ("bias", "overThreshold", "overUnexplained", "evidence", "overLoudest")
RIDGE = 1e-2


def run(args, row):
    stem = os.path.splitext(os.path.basename(row["audio"]))[0]
    path = os.path.join(args.out, row["kit"], stem + ".csv")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    examples = [a for d in score.DRUMS
                for a in ("--learn", f"{d}={os.path.join(args.devset, row['examples'], d + '.wav')}")]
    subprocess.run([os.path.join(args.build, "bench", "transcribe_file"), *examples,
                    "--candidates", path, os.path.join(args.devset, row["audio"]), os.devnull],
                   check=True)
    with open(path, newline="") as f:
        candidates = list(csv.DictReader(f))
    truth = score.read_notes(os.path.join(args.devset, row["truth"]))
    return row["kit"], label(candidates, truth)


def label(candidates, truth):
    """Rows (drum, accepted, true, strength, threshold, rise, unexplained, loudest)."""
    rows = []
    for drum in score.DRUMS:
        mine = [c for c in candidates if c["drum"] == drum]
        times = np.array([float(c["time"]) for c in mine])
        accepted = np.array([c["accepted"] == "1" for c in mine], dtype=bool)
        ref = np.array([t for t, d, *_ in truth if d == drum])
        true = np.zeros(len(mine), dtype=bool)
        left = np.arange(len(ref))
        for chosen in (np.flatnonzero(accepted), np.flatnonzero(~accepted)):
            if not len(chosen) or not len(left):
                continue
            pairs = match_events(ref[left], times[chosen], score.MATCH_WINDOW)
            true[chosen[[j for _, j in pairs]]] = True
            left = np.delete(left, [i for i, _ in pairs])
        for c, a, t in zip(mine, accepted, true):
            rows.append((drum, a, t, *(float(c[k]) for k in
                                       ("strength", "threshold", "rise", "unexplained", "loudest"))))
    return rows


def log_ratio(a, b):
    return np.log((a + RATIO_FLOOR) / (b + RATIO_FLOOR))


def features(r):
    strength, threshold, rise, unexplained, loudest = r[:, 3:8].T.astype(float)
    return np.column_stack([np.ones(len(r)), log_ratio(strength, threshold),
                            log_ratio(strength, SHARE_OF_UNEXPLAINED * unexplained), rise,
                            log_ratio(strength, loudest)])


def fit(x, y, iterations=50):
    """Logistic regression by Newton's method, a small ridge on all but the bias."""
    w = np.zeros(x.shape[1])
    ridge = RIDGE * np.eye(x.shape[1])
    ridge[0, 0] = 0.0
    for _ in range(iterations):
        p = 1.0 / (1.0 + np.exp(-np.clip(x @ w, -30, 30)))
        step = np.linalg.solve((x * (p * (1 - p))[:, None]).T @ x + ridge, x.T @ (p - y) + ridge @ w)
        w -= step
        if np.abs(step).max() < 1e-9:
            break
    return w


def f_measure(kept, true, total):
    matched = np.count_nonzero(kept & true)
    return 2 * matched / (np.count_nonzero(kept) + total) if total else 0.0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    parser.add_argument("--devset", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--drum", choices=score.DRUMS, default="snare")
    parser.add_argument("--out", help="where the candidates go (default BUILD/accuracy/candidates)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count())
    args = parser.parse_args()
    args.out = args.out or os.path.join(args.build, "accuracy", "candidates")
    with open(os.path.join(args.devset, "manifest.csv"), newline="") as f:
        manifest = list(csv.DictReader(f))
    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        labelled = list(pool.map(lambda row: run(args, row), manifest))
    rows = np.array([(kit, *r) for kit, rs in labelled for r in rs], dtype=object)
    kits, drums, accepted, true = rows[:, 0], rows[:, 1], rows[:, 2].astype(bool), rows[:, 3].astype(bool)
    totals = {d: sum(1 for row in manifest for t, n, *_ in
                     score.read_notes(os.path.join(args.devset, row["truth"])) if n == d)
              for d in score.DRUMS}
    print("| drum | true notes | accepted true | accepted false | rejected true | rejected false |")
    print("|---|---:|---:|---:|---:|---:|")
    for d in score.DRUMS:
        m = drums == d
        print(f"| {d} | {totals[d]} | {np.count_nonzero(m & accepted & true)} | "
              f"{np.count_nonzero(m & accepted & ~true)} | {np.count_nonzero(m & ~accepted & true)} | "
              f"{np.count_nonzero(m & ~accepted & ~true)} |")

    mine = drums == args.drum
    x, y = features(rows[mine, 1:]), true[mine].astype(float)
    near = np.abs(x[:, 1]) < np.log(NEAR)
    held_out = accepted[mine].copy()
    for kit in np.unique(kits):
        train, test = near & (kits[mine] != kit), near & (kits[mine] == kit)
        held_out[test] = x[test] @ fit(x[train], y[train]) > 0
    weights = fit(x[near], y[near])
    in_sample = accepted[mine].copy()
    in_sample[near] = x[near] @ weights > 0
    print(f"\n{args.drum}: {np.count_nonzero(near)} candidates within a factor of {NEAR:g} "
          f"of the threshold, {np.count_nonzero(y[near])} of them true")
    print(f"F as the engine decided: {f_measure(accepted[mine], true[mine], totals[args.drum]):.4f}")
    print(f"F replayed, each kit decided by the others' weights: "
          f"{f_measure(held_out, true[mine], totals[args.drum]):.4f}")
    print(f"F replayed with the weights fitted on all kits: "
          f"{f_measure(in_sample, true[mine], totals[args.drum]):.4f}")
    print("weights: " + ", ".join(f"{n} {w:.4f}" for n, w in zip(FEATURES, weights)))


if __name__ == "__main__":
    main()
