"""One-shot drum sounds from the kits the development set is built from.

Every source answers one question: the stereo signal of one voice struck at
one MIDI velocity, at one sample rate, and where in that signal the hit
becomes audible. Cases are mixed from these one-shots in Python, so every
note lands on an exact sample and its ground-truth time is known exactly.
"""

import math
import os
import subprocess
import tempfile
import xml.etree.ElementTree as ET

import mido
import numpy as np
import soundfile as sf
from scipy.signal import resample_poly

# The audible onset: the first sample whose level (largest of the two
# channels) reaches this fraction of the hit's own peak (-30 dB), just above
# the quiet pre-roll some samples carry. Most attacks then reach -12 dB
# within 2 ms, so the fraction hardly matters; a few sampled hits climb for
# 5-7 ms, and there an engine that fires later on the attack is late by
# that much. Measuring against the hit's own peak keeps soft and loud
# layers comparable.
ONSET_FRACTION = 10 ** (-30 / 20)

# A one-shot ends where its level stays below this fraction of its peak
# (-80 dB); the rest is silence or dither.
TAIL_FRACTION = 10 ** (-80 / 20)
FADE_SAMPLES = 256  # about 5 ms

# Small stereo placement for voices whose source is mono and centred, so
# the mixes are stereo the way a drum-kit recording is (-1 left, +1 right).
VOICE_PAN = {"kick": 0.0, "snare": -0.12, "hihat": 0.3, "hihat_open": 0.3,
             "tom_high": -0.2, "tom_low": 0.25, "crash": -0.35, "ride": 0.35}

# General MIDI percussion keys (channel 10) of each voice.
GM_NOTES = {"kick": 36, "snare": 38, "hihat": 42, "hihat_open": 46,
            "tom_high": 48, "tom_low": 43, "crash": 49, "ride": 51}

HYDROGEN_DIR = "/usr/share/hydrogen/data/drumkits"


def onset_index(signal):
    level = np.abs(signal).max(axis=1)
    return int(np.argmax(level >= ONSET_FRACTION * level.max()))


def trim_tail(signal):
    level = np.abs(signal).max(axis=1)
    last = int(np.nonzero(level >= TAIL_FRACTION * level.max())[0][-1]) + 1
    return fade_out(signal, last)


def fade_out(signal, end):
    """Cut at `end` with a short linear fade, so a cut never clicks."""
    out = signal[:end].copy()
    n = min(len(out), FADE_SAMPLES)
    if n > 0:
        out[-n:] *= np.linspace(1.0, 0.0, n)[:, None]
    return out


def resample(signal, from_rate, to_rate):
    if from_rate == to_rate:
        return signal
    g = math.gcd(from_rate, to_rate)
    return resample_poly(signal, to_rate // g, from_rate // g, axis=0)


def pan_mono_centre(signal, voice):
    """Give a centred mono source its voice's place (constant-power law)."""
    if not np.allclose(signal[:, 0], signal[:, 1]):
        return signal
    angle = (VOICE_PAN[voice] + 1.0) * math.pi / 4.0
    gains = np.array([math.cos(angle), math.sin(angle)]) * math.sqrt(2.0)
    return signal[:, :1] * gains[None, :]


# At most this much of a sample is kept before its onset (about 20 ms), so
# every hit fits after the examples' short lead-in.
MAX_PRE_ONSET_SAMPLES = 1024


class OneShot:
    """A hit's stereo signal and the index of its audible onset."""

    def __init__(self, signal):
        onset = onset_index(signal)
        cut = max(0, onset - MAX_PRE_ONSET_SAMPLES)
        self.signal = signal[cut:]
        self.onset = onset - cut


class HydrogenKit:
    """A sampled kit of the hydrogen-drumkits package, read from its drumkit.xml.

    `voices` maps our voice names to the kit's instrument names (an
    instrument matches its exact name, or its name followed by " (...)",
    the way some kits append the drum's make).
    """

    def __init__(self, name, voices):
        self.name = name
        self.folder = os.path.join(HYDROGEN_DIR, name)
        instruments = self._parse(os.path.join(self.folder, "drumkit.xml"))
        self.instruments = {}
        for voice, wanted in voices.items():
            if wanted is None:
                continue
            found = [i for i in instruments
                     if i["name"] == wanted or i["name"].startswith(wanted + " (")]
            if len(found) != 1:
                raise SystemExit(f"{name}: no single instrument named {wanted!r}")
            self.instruments[voice] = found[0]
        self._cache = {}

    def has(self, voice):
        return voice in self.instruments

    def prepare(self, needs, rate):
        """Nothing to render ahead: samples are read when first asked for."""

    @staticmethod
    def _parse(path):
        root = ET.parse(path).getroot()
        ns = root.tag[:root.tag.index("}") + 1] if root.tag.startswith("{") else ""

        def number(node, tag, default):
            text = node.findtext(ns + tag)
            return float(text) if text not in (None, "") else default

        instruments = []
        for node in root.iter(ns + "instrument"):
            layers = [{"file": layer.findtext(ns + "filename"),
                       "min": number(layer, "min", 0.0), "max": number(layer, "max", 1.0),
                       "gain": number(layer, "gain", 1.0)}
                      for layer in node.iter(ns + "layer")]
            if not layers and node.findtext(ns + "filename"):
                # Older kits name one sample on the instrument itself.
                layers = [{"file": node.findtext(ns + "filename"),
                           "min": 0.0, "max": 1.0, "gain": 1.0}]
            instruments.append({
                "name": node.findtext(ns + "name"), "layers": layers,
                "gain": number(node, "gain", 1.0) * number(node, "volume", 1.0),
                "pan": (number(node, "pan_L", 1.0), number(node, "pan_R", 1.0))})
        return instruments

    @staticmethod
    def _layer(instrument, velocity):
        # The drum machine picks the first layer whose velocity range holds
        # the hit's velocity scaled to 0..1. Some kits leave small gaps
        # between ranges (and the top is inclusive): the nearest range then.
        v = velocity / 127.0
        for layer in instrument["layers"]:
            if layer["min"] <= v < layer["max"]:
                return layer
        return min(instrument["layers"],
                   key=lambda layer: max(layer["min"] - v, v - layer["max"]))

    def one_shot(self, voice, velocity, rate):
        key = (voice, velocity, rate)
        if key not in self._cache:
            instrument = self.instruments[voice]
            layer = self._layer(instrument, velocity)
            data, file_rate = sf.read(os.path.join(self.folder, layer["file"]),
                                      always_2d=True, dtype="float64")
            if data.shape[1] == 1:
                data = np.repeat(data, 2, axis=1)
            data = resample(data[:, :2], file_rate, rate)
            # The drum machine scales a sample by the hit's velocity, the
            # layer's and the instrument's gains and its two pan gains.
            gain = velocity / 127.0 * layer["gain"] * instrument["gain"]
            data = data * gain * np.array(instrument["pan"])[None, :]
            self._cache[key] = OneShot(trim_tail(pan_mono_centre(data, voice)))
        return self._cache[key]


class SoundfontKit:
    """The standard drum kit (bank 128, program 0) of a General-MIDI soundfont.

    fluidsynth renders every (voice, velocity) the kit needs once per rate,
    each note alone in its own slot, with reverb and chorus off; the mixes
    are then assembled from those slots. fluidsynth starts notes on its own
    block boundaries, which is why each slot's onset is measured rather than
    taken from the MIDI time.
    """

    SLOT_SECONDS = {"crash": 6.0, "ride": 6.0, "hihat_open": 4.0}
    DEFAULT_SLOT_SECONDS = 2.5
    FLUIDSYNTH_GAIN = 0.5
    TICKS_PER_BEAT = 480
    TEMPO = 500000  # microseconds per beat: 960 ticks per second

    def __init__(self, name, font):
        self.name = name
        self.font = font
        self._cache = {}

    def has(self, voice):
        return voice in GM_NOTES

    def prepare(self, needs, rate):
        """Render every (voice, velocity) in `needs` at `rate` in one fluidsynth run."""
        needs = sorted(n for n in set(needs) if (n[0], n[1], rate) not in self._cache)
        if not needs:
            return
        slots, start = [], 0.0
        for voice, velocity in needs:
            length = self.SLOT_SECONDS.get(voice, self.DEFAULT_SLOT_SECONDS)
            slots.append((voice, velocity, start, length))
            start += length
        with tempfile.TemporaryDirectory() as work:
            midi_path = os.path.join(work, "slots.mid")
            wav_path = os.path.join(work, "slots.wav")
            self._write_midi(slots, midi_path)
            subprocess.run(["fluidsynth", "-ni", "-R", "0", "-C", "0",
                            "-g", str(self.FLUIDSYNTH_GAIN), "-r", str(rate),
                            "-O", "float", "-F", wav_path, self.font, midi_path],
                           check=True, stdout=subprocess.DEVNULL)
            audio, file_rate = sf.read(wav_path, always_2d=True, dtype="float64")
        assert file_rate == rate
        for voice, velocity, start, length in slots:
            a, b = round(start * rate), round((start + length) * rate)
            segment = audio[a:b]
            if not np.any(segment):
                raise SystemExit(f"{self.name}: {voice} at velocity {velocity} is silent")
            self._cache[(voice, velocity, rate)] = OneShot(
                trim_tail(pan_mono_centre(segment, voice)))

    def _write_midi(self, slots, path):
        ticks_per_second = self.TICKS_PER_BEAT * 1e6 / self.TEMPO
        events = []
        for voice, velocity, start, length in slots:
            note = GM_NOTES[voice]
            # Held for most of the slot: some fonts end a drum voice at note-off.
            events.append((round(start * ticks_per_second), 1, note, velocity))
            events.append((round((start + length - 0.2) * ticks_per_second), 0, note, 0))
        events.sort()
        midi = mido.MidiFile(ticks_per_beat=self.TICKS_PER_BEAT)
        track = mido.MidiTrack()
        midi.tracks.append(track)
        track.append(mido.MetaMessage("set_tempo", tempo=self.TEMPO))
        track.append(mido.Message("program_change", channel=9, program=0))
        now = 0
        for tick, is_on, note, velocity in events:
            kind = "note_on" if is_on else "note_off"
            track.append(mido.Message(kind, channel=9, note=note, velocity=velocity,
                                      time=tick - now))
            now = tick
        midi.save(path)

    def one_shot(self, voice, velocity, rate):
        key = (voice, velocity, rate)
        if key not in self._cache:
            self.prepare([(voice, velocity)], rate)
        return self._cache[key]
