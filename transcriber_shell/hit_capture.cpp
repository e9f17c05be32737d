#include "hit_capture.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "transcriber/analysis_grid.h"
#include "transcriber_plugin_info.h"

using namespace transcriber_plugin_info;

namespace {

size_t samplesOf(double seconds, double rate) { return (size_t)std::ceil(seconds * rate); }

}  // namespace

bool HitCapture::reserve() {
    try {
        leadIn_.assign(samplesOf(kLearnLeadInSeconds, transcriber::kMaxSampleRate), 0.0f);
        recording_.assign(samplesOf(kLearnLeadInSeconds + kLearnSeconds, transcriber::kMaxSampleRate), 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void HitCapture::configure(double sampleRate) {
    leadInLength_ = std::min(leadIn_.size(), samplesOf(kLearnLeadInSeconds, sampleRate));
    length_ = std::min(recording_.size(), samplesOf(kLearnLeadInSeconds + kLearnSeconds, sampleRate));
    std::fill(leadIn_.begin(), leadIn_.end(), 0.0f);
    leadInAt_ = recorded_ = 0;
    state_.store(kIdle, std::memory_order_release);
}

void HitCapture::start(int drum) {
    // The lead-in, oldest first, opens the recording.
    for (size_t i = 0; i < leadInLength_; i++) recording_[i] = leadIn_[(leadInAt_ + i) % leadInLength_];
    recorded_ = leadInLength_;
    drum_ = drum;
    state_.store(kRecording, std::memory_order_relaxed);
}

void HitCapture::push(const float* mono, size_t count, int armedDrum) {
    if (length_ == 0 || leadInLength_ == 0) return;
    for (size_t i = 0; i < count; i++) {
        // Acquire: the builder has finished reading the last recording.
        const int state = state_.load(std::memory_order_acquire);
        if (state == kIdle && armedDrum >= 0 && std::fabs(mono[i]) > kLearnGate) start(armedDrum);
        if (state_.load(std::memory_order_relaxed) == kRecording) {
            recording_[recorded_++] = mono[i];
            if (recorded_ == length_) state_.store(kFull, std::memory_order_release);
        } else if (state == kIdle) {
            leadIn_[leadInAt_] = mono[i];
            leadInAt_ = (leadInAt_ + 1) % leadInLength_;
        }
    }
}
