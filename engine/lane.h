// The members one processing path works on. The 32-bit path uses the plain
// engine members, the 64-bit path their Double twins; everything not bound
// here (filters, ring and level indices, hit and note state, the instrument
// objects) is shared and reached through the detector state itself.
//
// The lane is also where a path's precision lives: the pipeline computes in
// double and stores into lane members, so a value is rounded to float exactly
// when the 32-bit path stores it, and kept whole on the 64-bit path.
#pragma once

#include <atomic>
#include <type_traits>

#include "engine_constants.h"
#include "detector_state.h"

namespace engine {

constexpr int kNumChannels = 2;
constexpr auto kRelaxed = std::memory_order_relaxed;
// Where a sum "a + b + ..." starts: -0.0 + x is x for every x, +0.0 and
// -0.0 included, so the first addition leaves the first term as it is.
constexpr double kSumStart = -0.0;

template <typename T>
struct Lane {
    static_assert(std::is_same_v<T, float> || std::is_same_v<T, double>);
    static constexpr bool kTwins = std::is_same_v<T, double>;

    template <typename Single, typename Twin>
    static constexpr auto& pick(Single& single, Twin& twin) {
        if constexpr (kTwins)
            return twin;
        else
            return single;
    }

    explicit Lane(DetectorState& t)
        : inputRing{pick(t.inputRingL, t.inputRingLDouble), pick(t.inputRingR, t.inputRingRDouble)},
          inputHistory1{pick(t.inputHistory1L, t.inputHistory1LDouble),
                        pick(t.inputHistory1R, t.inputHistory1RDouble)},
          inputHistory2{pick(t.inputHistory2L, t.inputHistory2LDouble),
                        pick(t.inputHistory2R, t.inputHistory2RDouble)},
          prevInput1{&pick(t.prevInput1L, t.prevInput1LDouble),
                     &pick(t.prevInput1R, t.prevInput1RDouble)},
          prevInput2{&pick(t.prevInput2L, t.prevInput2LDouble),
                     &pick(t.prevInput2R, t.prevInput2RDouble)},
          bandOutputs(pick(t.bandOutputs, t.bandOutputsDouble)),
          absOut{&pick(t.absOutL, t.absOutLDouble), &pick(t.absOutR, t.absOutRDouble)},
          absOutSum(pick(t.absOutSum, t.absOutSumDouble)),
          levelHistory(pick(t.levelHistory, t.levelHistoryDouble)),
          levelSum(pick(t.levelSum, t.levelSumDouble)),
          averageLevel(pick(t.averageLevel, t.averageLevelDouble)),
          levelSnapshots(pick(t.levelSnapshots, t.levelSnapshotsDouble)),
          ratioLowThreshold(pick(t.ratioLowThreshold, t.ratioLowThresholdDouble)),
          effectiveLowThreshold(pick(t.effectiveLowThreshold, t.effectiveLowThresholdDouble)),
          mean{&pick(t.meanLeft, t.meanLeftDouble), &pick(t.meanRight, t.meanRightDouble)},
          velocityMagnitude(pick(t.velocityMagnitude, t.velocityMagnitudeDouble)),
          velocityDb(pick(t.velocityDb, t.velocityDbDouble)),
          velocityExponent(pick(t.velocityExponent, t.velocityExponentDouble)),
          velocityGain(pick(t.velocityGain, t.velocityGainDouble)),
          templateWindows(pick(t.templateWindows, t.templateWindowsDouble)),
          tamboro(t) {}

    // The thresholds. The 32-bit path reads the parameters at each use. The
    // 64-bit path compares with its twins and refreshes them from the
    // parameters in every thresholds step, so it follows the user's settings.
    void refreshThresholdTwins(float ratio) {
        if constexpr (kTwins) {
            tamboro.highThresholdDouble = tamboro.highThreshold.load(kRelaxed);
            if (ratio == 0.0f) tamboro.lowThresholdDouble = tamboro.lowThreshold.load(kRelaxed);
        }
    }
    static T threshold(const std::atomic<float>& parameter, double twin) {
        if constexpr (kTwins)
            return twin;
        else
            return parameter.load(kRelaxed);
    }
    T highThreshold() const { return threshold(tamboro.highThreshold, tamboro.highThresholdDouble); }
    T lowThreshold() const { return threshold(tamboro.lowThreshold, tamboro.lowThresholdDouble); }
    // A threshold derived from a ratio also becomes the "Low Threshold" the
    // host reads back, on either path.
    void storeRatioLowThreshold(double low) {
        tamboro.lowThreshold.store((float)low, kRelaxed);
        if constexpr (kTwins) tamboro.lowThresholdDouble = low;
        ratioLowThreshold = low;
    }

    // The release test of the current sample.
    bool atReleaseLevel() const {
        return (double)levelSnapshots[kReleaseSnapshot] <= (double)effectiveLowThreshold;
    }

    T* inputRing[kNumChannels];
    T* inputHistory1[kNumChannels];
    T* inputHistory2[kNumChannels];
    T* prevInput1[kNumChannels];
    T* prevInput2[kNumChannels];
    T (&bandOutputs)[kNumFilters];
    // The band outputs of the sample being processed, widened.
    const double* sampleBandOutputs = nullptr;
    T* absOut[kNumChannels];
    T& absOutSum;
    T* levelHistory;
    T& levelSum;
    T& averageLevel;
    T (&levelSnapshots)[kNumLevelSnapshots];
    T& ratioLowThreshold;
    T& effectiveLowThreshold;
    T* mean[kNumChannels];
    T& velocityMagnitude;
    T& velocityDb;
    T& velocityExponent;
    T& velocityGain;
    T (&templateWindows)[kNumSlots][kNumBands][kNumBounds];
    DetectorState& tamboro;
};

}  // namespace engine
