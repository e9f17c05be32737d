// The velocity of a hit, measured in its onset sample from the raw input
// rings: about 127 times the square root of the mean input level.
#pragma once

#include <cmath>
#include <cstdint>

#include "decibels.h"
#include "lane.h"

namespace engine {

// The sum covers ring positions 0 to 98 but divides by the ring size, and
// starts from the means of the previous onset: the product has always
// measured velocity this way, and users' velocities depend on it.
constexpr int kVelocitySumPositions = kInputRingSize - 1;
constexpr double kVelocityDivisor = kInputRingSize;
// dB / 40 as a power of ten is the square root of the magnitude.
constexpr double kDbPerVelocityDecade = 40.0;
constexpr double kVelocityBase = 10.0;
constexpr double kVelocityScale = 127.0;

// g x 127 truncated toward zero and limited to 0..127, checked before any
// conversion to an integer (a NaN or a huge value would be undefined there).
int32_t velocityFromGain(double gain);

template <typename T>
void measureVelocity(DetectorState& t, Lane<T>& lane) {
    for (int pos = 0; pos < kVelocitySumPositions; pos++)
        for (int c = 0; c < kNumChannels; c++)
            *lane.mean[c] = (double)*lane.mean[c] + (double)lane.inputRing[c][pos];
    for (int c = 0; c < kNumChannels; c++) *lane.mean[c] = (double)*lane.mean[c] / kVelocityDivisor;
    lane.velocityMagnitude = std::fabs(((double)*lane.mean[0] + (double)*lane.mean[1]) / 2.0);
    lane.velocityDb = decibels(lane.velocityMagnitude);
    lane.velocityExponent = (double)lane.velocityDb / kDbPerVelocityDecade;
    lane.velocityGain = std::pow(kVelocityBase, (double)lane.velocityExponent);
    t.velocity = velocityFromGain(lane.velocityGain);
}

}  // namespace engine
