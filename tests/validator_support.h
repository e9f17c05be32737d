// What the validator tests share: drum-like test signals, a processing loop
// that checks every MIDI event against the block it arrived in, the
// hanging-note rule, and a parent window for editor tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/plugin_host.h"
#include "shell/product_facts.h"
#include "tools/drum_synth.h"

namespace validator {

// A stereo signal held as two channels of equal length.
struct Stereo {
    std::vector<float> left, right;
    size_t size() const { return left.size(); }
    void append(const Stereo& other);
    void appendSilence(size_t frames);
};

// The synthesiser's drums, named as the validator tests name them.
using Drum = drums::Kind;

// One of the synthesiser's single-tone hits (0.15 s, each triggers once) at
// full gain `gain`; the right channel a little quieter.
Stereo drumHit(Drum drum, float gain = 0.9f, uint32_t seed = 1);
// Kick, snare, hi-hat, kick, ... each followed by `gap` samples of silence.
Stereo drumPattern(int hits, size_t gap = 22050);

// Parameter values a user sets in the editor.
constexpr float kDrumKick = plugin_info::kDrumSelectFixed[0];
constexpr float kDrumSnare = plugin_info::kDrumSelectFixed[1];
constexpr float kDrumHiHat = plugin_info::kDrumSelectFixed[2];
constexpr float kDetectionMode = plugin_info::kFunctionDetection;
constexpr float kTemplateMode = plugin_info::kFunctionTemplate;
// Thresholds at which the test hits above trigger and their decay releases.
constexpr float kTestHighThreshold = 0.05f;
constexpr float kTestLowThreshold = 0.05f;

// Detection mode with a fixed drum and the test thresholds.
void setDetection(host::Instance& plugin, float drum = kDrumKick);

// Faults found in the MIDI a plug-in sent, one line each.
struct MidiFaults {
    std::vector<std::string> lines;
    bool empty() const { return lines.empty(); }
    std::string text() const;
};

// The events of one processing call: status 0x99 or 0x89, data bytes below
// 128, the record's fixed fields, and 0 <= deltaFrames < frames.
void checkBlockEvents(const std::vector<host::MidiRecord>& events, size_t first, int32_t frames,
                      MidiFaults& faults);

// Runs a signal through the plug-in in blocks of `blockSize`, checking each
// call's events and that every output sample is finite. With `outputs`, the
// output is appended there.
void processChecked(host::Instance& plugin, const Stereo& input, int32_t blockSize,
                    MidiFaults& faults, Stereo* outputs = nullptr, bool doublePath = false);

// Note numbers whose last note-on is not followed by a note-off for that
// number. Callers end their stream with more silence than a note lasts.
std::vector<int> hangingNotes(const std::vector<host::MidiRecord>& events);

std::vector<host::MidiRecord> noteOns(const std::vector<host::MidiRecord>& events);

bool allFinite(const std::vector<float>& samples);


// A shown top-level window to host the editor in (X11, or Win32 on Windows);
// empty without a display.
class ParentWindow {
public:
    ParentWindow();
    ~ParentWindow();
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    bool available() const { return window != 0; }
    void* handle() const { return reinterpret_cast<void*>(window); }
    // Handles the parent's own pending events (the editor pumps its own).
    void drain();
    // Windows inside the parent: an open editor's.
    size_t children() const;

private:
    void* display = nullptr;
    uintptr_t window = 0;
};

}  // namespace validator
