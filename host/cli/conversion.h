// One recording through one instance of the plug-in, driven as a host drives
// it: parameters first, then (when asked) the drums taught in template mode,
// then detection; the notes it sends become a MIDI file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "detection_engine.h"
#include "drums.h"
#include "host/plugin_host.h"
#include "note_timeline.h"
#include "plot.h"
#include "thresholds.h"
#include "work_meter.h"

namespace cli {

enum class Precision { Single, Double };

constexpr int kDefaultBlockSize = 512;
// The transcriber transforms up to four frames (of a hop each) in one call
// when a block completes them: this fills the four at every sample rate.
constexpr int kTranscriberBlockSize = 8192;
constexpr int kMaxBlockSize = 1 << 20;
using plugin_info::kDefaultTempo;

enum class EngineKind { Transcriber, Plugin };

struct ConversionSettings {
    EngineKind engine = EngineKind::Transcriber;
    // The transcriber's, per drum; missing: 1.
    std::array<std::optional<float>, kNumDrums> sensitivity;
    // Missing thresholds are chosen by the auto rule.
    std::optional<float> high;
    std::optional<float> low;
    int ratioDivisor = 0;  // 0: off
    // A fixed drum (index into kDrums); none: "Dynamic", the templates decide.
    std::optional<int> drum;
    Precision precision = Precision::Single;
    int blockSize = kDefaultBlockSize;
    double tempo = kDefaultTempo;
    bool latencyCompensation = true;
    // One hit per drum to learn from, by drum index; empty: not taught.
    std::array<std::string, kNumDrums> learnFiles;
    // Thresholds each example is played with; missing ones are worked out
    // from the example itself.
    std::array<std::optional<float>, kNumDrums> learnHigh;
    std::array<std::optional<float>, kNumDrums> learnLow;
    bool overwrite = false;

    bool learns() const;
};

struct ConversionOutputs {
    std::string midi;   // empty: no MIDI file
    std::string audio;  // empty: no audio file
    std::string plot;   // empty: no picture
    PlotSize plotSize;
};

struct ConversionResult {
    int sampleRate = 0;
    int channels = 0;
    int64_t frames = 0;
    // The engine's settings as the summary shows them, and whether any of
    // them was worked out from the recording.
    std::string settingsLine;
    bool settingsChosen = false;
    std::vector<Note> notes;
    std::vector<std::string> warnings;
    // What was done along the way, for --verbose.
    std::vector<std::string> details;
};


// Throws Failure; then no output file exists that did not exist before.
ConversionResult convertFile(const EngineFactory& makeEngine, const ConversionSettings& settings,
                             const std::string& input, const ConversionOutputs& outputs,
                             const ProgressCallback& progress = {});

}  // namespace cli
