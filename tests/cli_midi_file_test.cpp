// The MIDI files the command writes: layout, and ticks that keep every sample.
#include <gtest/gtest.h>

#include <cmath>

#include "host/cli/midi_file.h"

namespace {

using cli::MidiTimeBase;

TEST(MidiTimeBase, MakesOneTickPerSampleAt44100And120) {
    MidiTimeBase base = MidiTimeBase::forTempo(120.0, 44100);
    EXPECT_EQ(base.microsecondsPerQuarter, 500000u);
    EXPECT_EQ(base.ticksPerQuarter, 22050);
    for (int64_t s : {0, 1, 2, 22049, 22050, 1000001}) EXPECT_EQ(base.ticksAt(s), s);
}

// A reader turns ticks back into seconds with the tempo; rounding those to
// samples must give every sample back.
void expectSamplesSurvive(double tempo, int rate) {
    MidiTimeBase base = MidiTimeBase::forTempo(tempo, rate);
    double secondsPerTick = base.microsecondsPerQuarter / 1e6 / base.ticksPerQuarter;
    for (int64_t s = 0; s < 200000; s += 997) {
        double seconds = base.ticksAt(s) * secondsPerTick;
        EXPECT_EQ(std::llround(seconds * rate), s) << "tempo " << tempo << ", rate " << rate;
    }
}

TEST(MidiTimeBase, KeepsEverySampleWhereTheDivisionAllows) {
    expectSamplesSurvive(120.0, 44100);
    expectSamplesSurvive(123.0, 44100);
    expectSamplesSurvive(97.5, 48000);
    expectSamplesSurvive(180.0, 96000);  // 32000 samples a beat
}

TEST(MidiTimeBase, SlowTempoKeepsTheLargestDivision) {
    MidiTimeBase base = MidiTimeBase::forTempo(30.0, 96000);
    EXPECT_EQ(base.ticksPerQuarter, 32767);
    EXPECT_EQ(base.ticksAt(192000), 32767);  // one beat
}

TEST(MidiFile, IsFormatOneWithATempoTrackAndANoteTrack) {
    MidiTimeBase base = MidiTimeBase::forTempo(120.0, 44100);
    std::vector<cli::TimedMidi> events = {{0, 0x99, 36, 100}, {200, 0x89, 36, 100}};
    std::vector<uint8_t> file = cli::encodeMidiFile(events, base, "T");
    const std::vector<uint8_t> header = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x56, 0x22};
    ASSERT_GE(file.size(), header.size());
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 14), header);
    // First track: time signature, tempo 500000 us, end.
    const std::vector<uint8_t> tempoTrack = {'M', 'T', 'r', 'k', 0, 0, 0, 19,
                                             0, 0xFF, 0x58, 4, 4, 2, 24, 8,
                                             0, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20,
                                             0, 0xFF, 0x2F, 0};
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 14, file.begin() + 14 + 27), tempoTrack);
    // Second track: name, note-on at 0, note-off 200 ticks later (two-byte delta), end.
    const std::vector<uint8_t> noteTrack = {'M', 'T', 'r', 'k', 0, 0, 0, 18,
                                            0, 0xFF, 0x03, 1, 'T',
                                            0, 0x99, 36, 100,
                                            0x81, 0x48, 0x89, 36, 100,
                                            0, 0xFF, 0x2F, 0};
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 41, file.end()), noteTrack);
}

}  // namespace
