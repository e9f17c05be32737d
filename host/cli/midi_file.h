// Standard MIDI Files of format 1: a tempo track and one track of notes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// A channel message at a sample of the file's timeline.
struct TimedMidi {
    int64_t sample;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

// How samples become ticks. The division is chosen so that a tick is no
// longer than a sample wherever the format allows it (a beat of at most 32767
// samples, e.g. 44.1 kHz above 81 beats per minute): every sample then has a
// tick of its own and a reader gets the sample back by rounding.
struct MidiTimeBase {
    uint32_t microsecondsPerQuarter;
    uint16_t ticksPerQuarter;
    int sampleRate;

    static MidiTimeBase forTempo(double beatsPerMinute, int sampleRate);
    int64_t ticksAt(int64_t sample) const;
    double tempo() const { return 60e6 / microsecondsPerQuarter; }
};

// Events must be in time order. The first track holds the tempo and a 4/4
// time signature, the second the events under trackName.
std::vector<uint8_t> encodeMidiFile(const std::vector<TimedMidi>& events, const MidiTimeBase& base,
                                    const std::string& trackName);

}  // namespace cli
