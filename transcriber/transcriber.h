// The streaming drum transcriber: taught example hits of kick, snare and
// hi-hat, it turns a recording, block by block, into hits with velocities.
//
// Threading: configure(), learn() and setSensitivity() allocate and must not
// run while process() or flush() runs; call them from one thread (a
// plug-in's main thread, with processing stopped). process(), flush() and
// restart() run on one thread at a time (the audio thread) and neither
// allocate, lock, throw nor do I/O; hits go to the caller's sink from that
// same thread. Nothing is shared between instances.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "transcriber/band_magnitudes.h"
#include "transcriber/decomposition.h"
#include "transcriber/example_hits.h"
#include "transcriber/hit.h"
#include "transcriber/onset_novelty.h"
#include "transcriber/onset_picking.h"

namespace transcriber {

enum class Status {
    Ok,
    UnsupportedSampleRate,  // outside 22.05-192 kHz
    NotConfigured,
    EmptyExample,
    NonFiniteExample,  // NaN or infinity among the samples
    SilentExample,
    NoHitInExample,
    OutOfMemory,
    InvalidTemplates,
};
const char* statusText(Status status);

// Sees what onset picking compares, frame by frame, for pictures and
// diagnosis; called from process() and flush(), on their thread.
class FrameObserver {
public:
    // position: the sample the frame stands for; per drum, its strength and
    // the threshold a hit must pass (both relative to its loudest example).
    virtual void onFrame(int64_t position, const float* strength, const float* threshold) = 0;
    // A peak weighed as an onset; position: the sample its onset would be.
    virtual void onCandidate(int64_t /*position*/, const Candidate& /*candidate*/) {}

protected:
    ~FrameObserver() = default;
};

struct Settings {
    // Per drum, 1 is the default; 2 reports hits half as strong as the
    // default's weakest, 0.5 only those twice as strong.
    std::array<float, kDrumCount> sensitivity{1.0f, 1.0f, 1.0f};
};

class Transcriber {
public:
    // At most this many of an example's hits become templates, spread from
    // the softest to the loudest.
    static constexpr int kMaxTemplatesPerDrum = 4;

    Status configure(double sampleRate, const Settings& settings = Settings());
    // Replaces the drum's templates by those of the example's hits. The
    // example may be at another sample rate than the recording.
    Status learn(Drum drum, const float* samples, size_t count, double exampleRate);
    int templateCount(Drum drum) const { return decomposition_.templateCount(drum); }
    // A drum's templates and the rate of the example they came from, so that
    // a caller can save them; restoreTemplates() puts saved ones back (at
    // most kMaxTemplatesPerDrum, each kTemplateFrames x bandCount() finite,
    // non-negative values; none forgets the drum).
    const std::vector<DrumTemplate>& templates(Drum drum) const { return templates_[static_cast<int>(drum)]; }
    double templateRate(Drum drum) const { return exampleRates_[static_cast<int>(drum)]; }
    Status restoreTemplates(Drum drum, const std::vector<DrumTemplate>& saved, double exampleRate);
    void setSensitivity(Drum drum, float sensitivity);
    // Fits the templates of the drums marked in `which` to the timbre of the
    // recording's own clearest hits, found with the current templates in a
    // first pass over the whole recording (at the configured rate): for
    // templates taught from another kit, which from then on (until the drum
    // is taught again) keep their plain thresholds. Returns per drum how many
    // hits it heard; 0: too few stood clear, the drum kept its templates.
    // Allocates; restarts the stream.
    std::array<int, kDrumCount> learnFromRecording(const float* samples, size_t count,
                                                   const std::array<bool, kDrumCount>& which);

    // Hits reach the sink at most latency() samples after their onset has
    // been passed to process().
    int latency() const;
    void process(const float* samples, size_t count, HitSink& sink);
    // Ends the stream: reports the hits still held back, then restarts.
    void flush(HitSink& sink);
    // Forgets the stream so far; keeps the templates.
    void restart();
    // Null: none. Set it while nothing is processed.
    void setFrameObserver(FrameObserver* observer) { observer_ = observer; }

private:
    void rebuild();
    // Transforms the frames completed so far, several at once, then decomposes
    // and picks them one by one.
    void analysePending(HitSink& sink);
    // end: the frame's window ends before this sample.
    void pickFrame(int64_t end, const float* bands, HitSink& sink);
    // The sample an onset at this fractional frame lies at, reported once
    // the window ending before `end` is in: no earlier than the latency
    // allows.
    int64_t onsetPosition(double frame, int64_t end) const;
    // Copies samples up to the next frame boundary; null gives silence.
    size_t take(const float* samples, size_t count);

    double sampleRate_ = 0.0;
    int hop_ = 0;
    Settings settings_;
    BandMagnitudes spectrum_;
    Decomposition decomposition_;
    std::array<std::vector<DrumTemplate>, kDrumCount> templates_;
    std::array<double, kDrumCount> exampleRates_{};
    // Marked by learnFromRecording(): templates heard on another kit.
    std::array<bool, kDrumCount> fromAnotherKit_{};
    OnsetNovelty novelty_;
    OnsetPicker picker_;
    int window_ = 0;  // samples
    // The newest window and kLanes - 1 hops of samples (so that as many
    // frames wait for their transform), a ring of ring_ samples written twice
    // over (at i and at i + ring_), so that each frame lies in one piece
    // without a copy.
    std::vector<float> input_;
    int ring_ = 0;
    static constexpr int kLanes = BandMagnitudes::kLanes;
    std::array<int64_t, kLanes> pendingEnds_{};
    int pending_ = 0;
    std::vector<float> bands_;  // kLanes frames
    int64_t samples_ = 0;
    int64_t streamEnd_ = -1;  // while flushing: samples of real input
    FrameObserver* observer_ = nullptr;
};

}  // namespace transcriber
