// Hit detection: the broadband level (the mean of the last 20 output
// magnitude sums), the two thresholds and the onset. A hit starts when the
// level reaches "High Threshold" and no hit is active; the release tests that
// end it belong to the learning stage and the note stage.
#pragma once

#include <cmath>
#include <cstdint>
#include <iterator>

#include "lane.h"
#include "learning_and_matching.h"
#include "velocity.h"

namespace engine {

// The single-precision release factor widened: the thresholds have always used it.
constexpr double kTenth = plugin_info::kReleaseFactor;

// The divisor an exact "Ratio Select" position selects; 0 for none.
inline int ratioDivisor(float ratioSelect) {
    for (const plugin_info::RatioPosition& p : plugin_info::kRatioPositions)
        if (ratioSelect == p.ratioSelect) return p.divisor;
    return 0;
}

// "Drum Select" by ranges: 0 chooses by templates, 1 to 3 a fixed drum. A
// value above 1 (or NaN) keeps the previous choice.
constexpr int32_t kDynamicDrum = 0;
inline int32_t drumSelectIndexFor(float drumSelect, int32_t previous) {
    constexpr float kUpperEdges[] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (int32_t index = 0; index < (int32_t)std::size(kUpperEdges); index++)
        if (drumSelect <= kUpperEdges[index]) return index;
    return previous;
}

inline int32_t nextRingIndex(int32_t index, int32_t size) {
    return index >= size - 1 ? 0 : index + 1;
}

// Level input: the magnitudes of a sample's outputs, and the entry the
// level update stores for it.
template <typename T>
T measureOutputs(Lane<T>& lane, const T (&outputs)[kNumChannels]) {
    for (int c = 0; c < kNumChannels; c++) *lane.absOut[c] = std::fabs(outputs[c]);
    lane.absOutSum = (double)*lane.absOut[0] + (double)*lane.absOut[1];
    return std::fabs(lane.absOutSum);
}

// The tests of a sample read the level of the previous one, through the snapshots.
template <typename T>
void takeLevel(Lane<T>& lane, T levelBefore) {
    lane.levelSnapshots[kSourceSnapshot] = levelBefore;
    lane.levelSnapshots[kOnsetSnapshot] = lane.levelSnapshots[kSourceSnapshot];
    lane.levelSnapshots[kReleaseSnapshot] = lane.levelSnapshots[kSourceSnapshot];
}

// Thresholds: with a ratio selected the low threshold follows the high one and is
// written back into "Low Threshold" and "Ratio Divide" in every sample.
template <typename T>
void updateThresholds(DetectorState& t, Lane<T>& lane) {
    const float ratio = t.ratioSelect.load(kRelaxed);
    lane.refreshThresholdTwins(ratio);
    if (ratio == 0.0f) {
        lane.effectiveLowThreshold = (double)lane.lowThreshold() * kTenth;
        return;
    }
    if (const int divisor = ratioDivisor(ratio)) {
        lane.storeRatioLowThreshold(((double)lane.highThreshold() / divisor) / kTenth);
        t.ratioDivide.store((float)divisor, kRelaxed);
    }
    lane.effectiveLowThreshold = (double)lane.ratioLowThreshold * kTenth;
}

// Onset. The note of a hit on "Dynamic" is chosen by the template match.
template <typename T>
void detectOnset(DetectorState& t, Lane<T>& lane) {
    if (t.hitActive || !((double)lane.highThreshold() <= (double)lane.levelSnapshots[kOnsetSnapshot]))
        return;
    t.hitActive = 1;
    measureVelocity(t, lane);
    t.drumSelectIndex = drumSelectIndexFor(t.drumSelect.load(kRelaxed), t.drumSelectIndex);
    if (t.drumSelectIndex == kDynamicDrum)
        matchTemplates(t, lane);
    else
        t.noteNumber = kSlotNotes[t.drumSelectIndex - 1];
}

// The level window widened to double for the call, so that each sample's
// sum, formed afresh in index order, is one addition per entry. The sums of
// neighbouring samples do not depend on each other and overlap in the level
// pass.
template <typename T>
class LevelWindowSum {
public:
    explicit LevelWindowSum(const T* history) {
        for (int j = 0; j < kLevelWindow; j++) entries[j] = history[j];
    }

    double update(int changed, T entry) {
        entries[changed] = entry;
        double sum = kSumStart;
        for (int j = 0; j < kLevelWindow; j++) sum += entries[j];
        return sum;
    }

private:
    double entries[kLevelWindow];
};

// Level update, after the ring indices have moved on: the index moves before the
// write, and the sum of the window is formed in index order.
template <typename T>
T updateLevel(DetectorState& t, Lane<T>& lane, LevelWindowSum<T>& windowSum, T magnitude) {
    t.levelIndex = nextRingIndex(t.levelIndex, kLevelWindow);
    lane.levelHistory[t.levelIndex] = magnitude;
    lane.levelSum = windowSum.update(t.levelIndex, magnitude);
    lane.averageLevel = (double)lane.levelSum / kLevelWindow;
    return lane.averageLevel;
}

}  // namespace engine
