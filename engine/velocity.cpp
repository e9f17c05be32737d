#include "velocity.h"

namespace engine {

namespace {
constexpr int32_t kMaxVelocity = 127;
// Scaled gains from here up truncate to more than the maximum: 128 exactly
// (the loudest input within full scale), and anything from hotter input.
constexpr double kFirstTooLoud = kMaxVelocity + 1;
}  // namespace

int32_t velocityFromGain(double gain) {
    const double scaled = gain * kVelocityScale;
    if (!(scaled > 0.0)) return 0;  // silence, and NaN from means that cancel as infinities
    if (scaled >= kFirstTooLoud) return kMaxVelocity;
    return (int32_t)scaled;
}

}  // namespace engine
