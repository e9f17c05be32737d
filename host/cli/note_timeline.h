// Turns the events the plug-in sent into the events of a MIDI file: moved
// back by the plug-in's reported delay (as a host's delay compensation does),
// never before the start, and with every note ended.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "midi_file.h"

namespace cli {

// A note-on as the user sees it: the sample of the file's timeline.
struct Note {
    int64_t sample;
    int note;
    int velocity;
};

class NoteTimeline {
public:
    // latency: samples to subtract from each event's processing sample.
    explicit NoteTimeline(int64_t latency) : latency(latency) {}

    // One event as sent while the plug-in processed processingSample.
    void add(int64_t processingSample, uint8_t status, uint8_t data1, uint8_t data2);
    bool anyNoteSounding() const;
    // Ends every note still sounding, at processingSample.
    void endAll(int64_t processingSample);
    // Ends one sounding note of key alone, for an engine that times each
    // note's end itself (add() takes a note-off as the end of all).
    void endOne(int64_t processingSample, uint8_t status, uint8_t key);

    const std::vector<TimedMidi>& events() const { return fileEvents; }
    const std::vector<Note>& notes() const { return noteOns; }

private:
    static constexpr int kNumKeys = 128;
    int64_t fileSample(int64_t processingSample) const;
    void endNote(int64_t sample, uint8_t channel, uint8_t key);

    int64_t latency;
    std::vector<TimedMidi> fileEvents;
    std::vector<Note> noteOns;
    std::array<int, kNumKeys> sounding{};
    std::array<uint8_t, kNumKeys> onVelocity{};
    uint8_t lastChannel = 0;
};

}  // namespace cli
