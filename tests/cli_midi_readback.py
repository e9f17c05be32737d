"""The command's MIDI files, read back by an independent parser (mido).

usage: cli_midi_readback.py TAMBORO DEMO_FOLDER
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import wave

import mido

RATE = 44100
CLICKS = [3000, 14000, 30001, 52345, 70000]
FRAMES = 90000


def write_clicks(path):
    """Stereo 16-bit bursts of a 5120 Hz tone at the CLICKS samples."""
    frames = bytearray()
    for i in range(FRAMES):
        v = 0.0
        for start in CLICKS:
            if start <= i < start + 400:
                t = i - start
                v += 0.8 * math.exp(-t / 60.0) * math.sin(2 * math.pi * 5120.0 * t / RATE)
        s = int(max(-1.0, min(1.0, v)) * 32767)
        frames += struct.pack("<hh", s, s)
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(frames))


def run(*args):
    result = subprocess.run(args, capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{' '.join(args)} failed: {result.stderr}")
    return result.stdout


def check_structure(midi, tempo):
    assert midi.type == 1, f"format {midi.type}"
    assert len(midi.tracks) == 2, f"{len(midi.tracks)} tracks"
    tempos = [m.tempo for m in midi.tracks[0] if m.type == "set_tempo"]
    assert tempos == [tempo], f"tempo meta {tempos}"
    signatures = [(m.numerator, m.denominator) for m in midi.tracks[0] if m.type == "time_signature"]
    assert signatures == [(4, 4)], signatures
    sounding = {}
    for message in midi.tracks[1]:
        if message.type not in ("note_on", "note_off"):
            continue
        assert message.channel == 9, f"channel {message.channel + 1}"
        assert message.note in (36, 38, 42), f"note {message.note}"
        if message.type == "note_on" and message.velocity > 0:
            sounding[message.note] = sounding.get(message.note, 0) + 1
        else:
            assert sounding.get(message.note, 0) > 0, f"note-off without note-on: {message}"
            sounding[message.note] -= 1
    assert not any(sounding.values()), f"notes left sounding: {sounding}"


def note_on_samples(midi, rate):
    """(sample, note) of each note-on, from ticks through the file's own tempo."""
    tempo = next(m.tempo for m in midi.tracks[0] if m.type == "set_tempo")
    ticks, found = 0, []
    for message in midi.tracks[1]:
        ticks += message.time
        if message.type == "note_on" and message.velocity > 0:
            seconds = mido.tick2second(ticks, midi.ticks_per_beat, tempo)
            found.append((round(seconds * rate), message.note))
    return found


def main():
    tamboro, demo_folder = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as scratch:
        clicks = os.path.join(scratch, "clicks.wav")
        write_clicks(clicks)
        out = os.path.join(scratch, "clicks.mid")
        csv = run(tamboro, "convert", "--engine", "plugin", clicks, "-o", out, "--csv", "--tempo", "123",
                  "--high", "0.05", "--low", "0.1", "--drum", "snare")
        midi = mido.MidiFile(out)
        check_structure(midi, round(60e6 / 123))
        rows = [line.split(",") for line in csv.strip().splitlines()[1:]]
        expected = [(int(r[2]), int(r[3])) for r in rows]
        assert expected, "no notes for the clicks"
        found = note_on_samples(midi, RATE)
        assert found == expected, f"file {found} != csv {expected}"
        assert len(found) == len(CLICKS), f"{len(found)} notes for {len(CLICKS)} clicks"
        assert all(note == 38 for _, note in found)

        # Untaught, "Dynamic" gives the kick.
        dynamic = run(tamboro, "convert", "--engine", "plugin", clicks, "-o", os.path.join(scratch, "dynamic.mid"), "--csv",
                      "--high", "0.05", "--low", "0.1")
        assert all(line.split(",")[3] == "36" for line in dynamic.strip().splitlines()[1:])

        demo = os.path.join(scratch, "demo.mid")
        run(tamboro, "demo", "-o", demo, "--material", demo_folder)
        demo_midi = mido.MidiFile(demo)
        check_structure(demo_midi, 600000)  # the groove's 100 beats per minute
        assert note_on_samples(demo_midi, RATE), "the demo found no notes"
    print("MIDI files read back correctly")
    return 0


if __name__ == "__main__":
    sys.exit(main())
