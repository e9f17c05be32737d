// Picks a drum's onsets from its activation, one frame at a time: a peak
// above an adaptive threshold (a level relative to the example hit, raised
// by the recent median so sustained activity does not fire), at least a
// flam's distance from the previous onset.
#pragma once

#include <array>
#include <cstdint>

namespace transcriber {

struct PickedOnset {
    double frame;    // fractional frame of the onset
    float strength;  // relative to the drum's loudest example hit
};

class OnsetPicker {
public:
    static constexpr int kMedianFrames = 16;

    void restart();
    void setSensitivity(float sensitivity) { sensitivity_ = sensitivity; }
    // Takes frame `frame`'s activation; returns true when frame - 1 holds an
    // onset, described in `onset`.
    bool push(int64_t frame, float activation, PickedOnset& onset);

private:
    std::array<float, kMedianFrames + 2> history_{};  // a ring
    std::array<float, kMedianFrames> scratch_{};
    float sensitivity_ = 1.0f;
    int64_t lastOnset_ = -1000;
};

}  // namespace transcriber
