#include "transcriber/onset_picking.h"

#include <algorithm>
#include "transcriber/tuning.h"

namespace transcriber {
namespace {

constexpr int kRing = OnsetPicker::kMedianFrames + 2;
// The weakest hit reported at sensitivity 1, relative to the example.
const float kLowestOnset = tune("T_LOW", 0.03f);
const float kMedianWeight = tune("T_MED", 1.5f);
// Two onsets of one drum need this many frames between them (about 12 ms):
// closer flams sound as one hit.
const int kMinFramesApart = tune("T_APART", 2);

}  // namespace

void OnsetPicker::restart() {
    history_.fill(0.0f);
    lastOnset_ = -1000;
}

bool OnsetPicker::push(int64_t frame, float activation, PickedOnset& onset) {
    history_[frame % kRing] = activation;
    const int64_t peak = frame - 1;
    if (peak < 1) return false;
    const float before = history_[(peak - 1) % kRing];
    const float at = history_[peak % kRing];
    const float after = activation;
    if (!(at >= before && at > after)) return false;
    if (peak - lastOnset_ < kMinFramesApart) return false;
    // The median of the frames before the peak; the ring holds them plus
    // the peak and the frame after it, which are left out by rotation.
    for (int i = 0; i < kMedianFrames; i++)
        scratch_[i] = history_[(peak - 1 - i + kRing) % kRing];
    std::nth_element(scratch_.begin(), scratch_.begin() + kMedianFrames / 2, scratch_.end());
    const float median = scratch_[kMedianFrames / 2];
    if (at <= kLowestOnset / sensitivity_ + kMedianWeight * median) return false;
    lastOnset_ = peak;
    const float sum = before + at + after;
    onset.frame = static_cast<double>(peak) + (after - before) / sum;
    onset.strength = sum;
    return true;
}

}  // namespace transcriber
