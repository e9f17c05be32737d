// Learning's part on the audio thread: while a drum is armed, the first
// sample above the gate starts a recording of that hit, with a short lead-in,
// into memory reserved up front. The builder thread turns the full recording
// into templates and hands the memory back.
//
// Threads: push() runs on the audio thread; full(), drum(), samples(),
// count() and release() on the builder thread once full() is true; the
// state word hands the buffer from one to the other.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

class HitCapture {
public:
    // Reserves for the highest sample rate; false when out of memory.
    bool reserve();
    // Sets the recording's length for a rate; drops any recording. Only
    // while push() cannot run.
    void configure(double sampleRate);

    // armedDrum: the drum to record for, or -1 for none.
    void push(const float* mono, size_t count, int armedDrum);

    bool full() const { return state_.load(std::memory_order_acquire) == kFull; }
    int drum() const { return drum_; }
    const float* samples() const { return recording_.data(); }
    size_t count() const { return length_; }
    void release() { state_.store(kIdle, std::memory_order_release); }

private:
    enum State { kIdle, kRecording, kFull };
    void start(int drum);

    std::vector<float> leadIn_;  // a ring of the newest samples
    std::vector<float> recording_;
    size_t leadInLength_ = 0, length_ = 0;
    size_t leadInAt_ = 0, recorded_ = 0;
    int drum_ = -1;
    std::atomic<int> state_{kIdle};
};
