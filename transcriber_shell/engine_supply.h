// Where the audio thread's transcriber comes from. Building one allocates
// (configuration, learning, restoring saved templates), so a builder thread
// does it and hands the finished engine over through an atomic pointer; the
// audio thread takes it at the start of a block and hands the old one back
// the same way. The templates taught so far are kept here, apart from the
// engines, so saving never touches the engine that is running.
//
// Threads: configure(), saved(), restore() run on the dispatcher's thread;
// the builder thread learns and builds; audioEngine() runs on the audio
// thread only and neither locks nor frees. The mutex is shared only by the
// first two.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "hit_capture.h"
#include "transcriber/transcriber.h"

struct SavedTemplates {
    std::array<std::vector<transcriber::DrumTemplate>, transcriber::kDrumCount> templates;
    std::array<double, transcriber::kDrumCount> rates{};  // of the examples; 0: none
};

class EngineSupply {
public:
    // armed: one flag per drum; learning a drum clears its flag.
    EngineSupply(HitCapture& capture, std::array<std::atomic<bool>, transcriber::kDrumCount>& armed);
    ~EngineSupply();
    EngineSupply(const EngineSupply&) = delete;
    EngineSupply& operator=(const EngineSupply&) = delete;

    bool started() const { return builder_.joinable(); }
    // An engine for this rate from the saved templates, taken at the next
    // block, and the learning recording set for the rate; answers the
    // engine's latency in samples, 0 (changing nothing) when it could not be
    // built. Only while processing is stopped.
    int configure(double sampleRate);
    SavedTemplates saved() const;
    // Replaces every drum's templates (checked by the caller) and rebuilds.
    void restore(const SavedTemplates& templates);
    bool learned(int drum) const { return learnedDrums_[drum].load(std::memory_order_relaxed); }
    // True once after the drum disarmed itself by learning (any thread).
    bool takeDisarmed(int drum) { return disarmed_[drum].exchange(false, std::memory_order_relaxed); }

    // Audio thread, once per block: the engine to use (null before the first
    // could be built); `fresh` tells that it was just taken over.
    transcriber::Transcriber* audioEngine(bool& fresh);

private:
    using Engine = transcriber::Transcriber;
    static constexpr int kRetiredSlots = 4;

    void run();
    void learnFromCapture();
    std::unique_ptr<Engine> build(double sampleRate) const;
    void publish(std::unique_ptr<Engine> engine);
    void freeRetired();
    void noteLearned();

    HitCapture& capture_;
    std::array<std::atomic<bool>, transcriber::kDrumCount>& armed_;
    std::array<std::atomic<bool>, transcriber::kDrumCount> learnedDrums_{};
    std::array<std::atomic<bool>, transcriber::kDrumCount> disarmed_{};

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    double sampleRate_ = 0.0;
    SavedTemplates saved_;

    std::atomic<Engine*> pending_{nullptr};
    std::array<std::atomic<Engine*>, kRetiredSlots> retired_{};
    Engine* active_ = nullptr;  // the audio thread's
    std::thread builder_;
};
