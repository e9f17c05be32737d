// The seam between the command and an engine that finds drum hits. The
// command reads the audio, writes MIDI files, CSV, plots and reports, and
// runs batches; an engine learns drums from example hits and turns a
// recording into MIDI events. One engine object serves one recording, on one
// thread; a batch makes one per file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio_file.h"
#include "drums.h"
#include "note_timeline.h"
#include "work_meter.h"

namespace cli {

struct ConversionResult;

// The example hit of each drum (by index into kDrums); null: not taught.
using Examples = std::array<AudioReader*, kNumDrums>;

// What a detection pass shows besides its notes: the picture and the
// engine's audio output. Samples count from the recording's first, with the
// engine's delay taken off.
class DetectionObserver {
public:
    virtual ~DetectionObserver() = default;
    virtual void input(int64_t sample, double left, double right) = 0;
    // The level the engine compares with its thresholds (levelLines).
    virtual void level(int64_t sample, double level) = 0;
    virtual void output(const float* left, const float* right, int64_t frames) = 0;
    virtual void output(const double* left, const double* right, int64_t frames) = 0;
    // An engine that picks each drum's hits from its own activation: the
    // activation near sample and the threshold it must pass there.
    virtual void activation(int64_t sample, int drum, float strength, float threshold) = 0;
};

// Where a hit begins and where it is released, on the scale of level().
struct LevelLines {
    float onset;
    float release;
};

class DetectionEngine {
public:
    virtual ~DetectionEngine() = default;

    // Samples the engine will process for this recording and these examples.
    virtual int64_t plannedWork(const AudioReader& recording, const Examples& examples) const = 0;
    // Settles what the user left open from the recording itself, and says in
    // result which settings it uses (settingsLine) and what it warns of.
    virtual void prepare(AudioReader& recording, ConversionResult& result, WorkMeter& work) = 0;
    // Teaches each drum with an example; warnings and details go to result.
    virtual void learn(const Examples& examples, ConversionResult& result, WorkMeter& work) = 0;
    // Samples by which the engine's events and output lag its input.
    virtual int64_t latency() const = 0;
    // The whole recording, and on until the last notes end. Events are moved
    // earlier by shift samples; observer may be null.
    virtual NoteTimeline detect(AudioReader& recording, int64_t shift, DetectionObserver* observer,
                                WorkMeter& work) = 0;
    virtual LevelLines levelLines() const = 0;
    // True when detect() reports activations rather than one level.
    virtual bool showsActivations() const { return false; }
};

// Makes the engine for one recording at its sample rate.
using EngineFactory = std::function<std::unique_ptr<DetectionEngine>(int sampleRate)>;

}  // namespace cli
