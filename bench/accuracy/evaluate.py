#!/usr/bin/python3
"""Run a detection engine over the development set, then score it.

usage: bench/accuracy/evaluate.py --devset DIR --build BUILD
                                  --engine plugin|aubio|transcriber
                                  [--no-examples | --layers] [--results DIR] [--jobs N]
                                  [--convert-options "OPTIONS"]

Engines:
  plugin       BUILD/tamboro convert, the plug-in engine with its automatic
               thresholds, taught the kit's example hits (--learn)
  aubio        aubioonset -i FILE with its defaults (onsets only)
  transcriber  BUILD/tamboro convert --engine transcriber, taught the kit's
               example hits (--learn), or its built-in hits (--no-examples)

Results go to RESULTS/<kit>/<case>_<rate>.csv (default BUILD/accuracy/<engine>),
then score.py prints the Markdown tables.
"""

import argparse
import csv
import math
import os
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import soundfile as sf
from scipy.signal import resample_poly

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import score  # noqa: E402

DRUM_NOTES = {36: "kick", 38: "snare", 42: "hihat"}


def write_result(path, notes):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="") as f:
        out = csv.writer(f)
        out.writerow(["time", "drum", "velocity"])
        for t, drum, velocity in sorted(notes):
            out.writerow([f"{t:.6f}", drum, "" if velocity is None else velocity])


def result_path(results, row):
    stem = os.path.splitext(os.path.basename(row["audio"]))[0]
    return os.path.join(results, row["kit"], stem + ".csv")


def example_files(devset, row, layers):
    suffix = "_layers" if layers else ""
    return {d: os.path.join(devset, row["examples"], f"{d}{suffix}.wav") for d in score.DRUMS}


def learn_options(examples):
    return [a for d, f in examples.items() for a in ("--learn", f"{d}={f}")]


def at_rate(examples, rate, folder):
    """The plug-in engine refuses examples at another rate than the recording
    (its bands move with the rate), so it is taught copies resampled to it."""
    out = {}
    for drum, path in examples.items():
        data, file_rate = sf.read(path, always_2d=True)
        if file_rate == rate:
            out[drum] = path
            continue
        g = math.gcd(file_rate, rate)
        copy = os.path.join(folder, f"{drum}_{rate}.wav")
        sf.write(copy, np.clip(resample_poly(data, rate // g, file_rate // g, axis=0), -1, 1),
                 rate, subtype="PCM_16")
        out[drum] = copy
    return out


def run_command(args, rows, results):
    """One `tamboro convert` per kit and rate: the examples are taught once.
    The transcriber takes examples at any rate; the plug-in copies at the
    recording's."""
    groups = {}
    for row in rows:
        groups.setdefault((row["kit"], int(row["rate"])), []).append(row)
    for (kit, rate), group in sorted(groups.items()):
        with tempfile.TemporaryDirectory() as work:
            examples = example_files(args.devset, group[0], args.layers)
            if args.engine == "plugin":
                examples = at_rate(examples, rate, work)
            options = [] if args.no_examples else learn_options(examples)
            inputs = [os.path.join(args.devset, r["audio"]) for r in group]
            command = [os.path.join(args.build, "tamboro"), "convert", "--engine", args.engine,
                       *inputs, "-o", work,
                       "--csv", "--force", "-j", str(args.jobs), *options,
                       *args.convert_options.split()]
            done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            print(f"{kit} at {rate} Hz: tamboro convert failed; its files count as missing:\n"
                  f"{done.stderr}", file=sys.stderr)
            continue
        notes = {os.path.abspath(i): [] for i in inputs}
        for r in csv.DictReader(done.stdout.splitlines()):
            drum = DRUM_NOTES.get(int(r["note"]))
            if drum:
                notes[os.path.abspath(r["file"])].append((float(r["time"]), drum,
                                                         int(r["velocity"])))
        for row, path in zip(group, inputs):
            write_result(result_path(results, row), notes[os.path.abspath(path)])


def aubio_one(args, row, results):
    done = subprocess.run(["aubioonset", "-i", os.path.join(args.devset, row["audio"])],
                          capture_output=True, text=True, check=True)
    times = [float(line) for line in done.stdout.split() if line.strip()]
    write_result(result_path(results, row), [(t, "onset", None) for t in times])


def run_per_file(args, rows, results, one):
    with ThreadPoolExecutor(max_workers=args.jobs) as pool:
        for future in [pool.submit(one, args, row, results) for row in rows]:
            future.result()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[1])
    parser.add_argument("--devset", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--engine", required=True, choices=("plugin", "aubio", "transcriber"))
    examples = parser.add_mutually_exclusive_group()
    examples.add_argument("--no-examples", action="store_true",
                          help="teach no example hits")
    examples.add_argument("--layers", action="store_true",
                          help="teach the files of several hits, soft to loud")
    parser.add_argument("--results", help="folder for the results (default BUILD/accuracy/ENGINE)")
    parser.add_argument("--jobs", type=int, default=1, help="files at the same time")
    parser.add_argument("--convert-options", default="",
                        help="more options for tamboro convert, e.g. \"--sensitivity kick=0.5\"")
    args = parser.parse_args()

    variant = "-no-examples" if args.no_examples else "-layers" if args.layers else ""
    results = args.results or os.path.join(args.build, "accuracy", args.engine + variant)
    manifest = os.path.join(args.devset, "manifest.csv")
    if not os.path.exists(manifest):
        sys.exit(f"{args.devset}: no manifest.csv (build the set: cmake --build BUILD --target devset)")
    with open(manifest, newline="") as f:
        rows = list(csv.DictReader(f))

    if args.engine == "aubio":
        run_per_file(args, rows, results, aubio_one)
    else:
        run_command(args, rows, results)

    scores, missing = score.score_set(args.devset, results)
    title = f"{args.engine}{' ' + variant[1:].replace('-', ' ') if variant else ''}"
    print(score.report(scores, missing, title))


if __name__ == "__main__":
    main()
