// The per-sample pipeline, written once: processReplacing runs it on the
// 32-bit lane and processDoubleReplacing on the 64-bit lane. State carries
// over from sample to sample and from call to call; nothing is reset at a
// block boundary.
//
// Runs on the audio thread only: no allocation, lock, I/O or exception here.
#pragma once

#include <cmath>
#include <cstdint>

#include "filter_bank.h"
#include "hit_detection.h"
#include "lane.h"
#include "learning_and_matching.h"
#include "notes.h"

namespace engine {

// Steps 1 and 2: the raw input enters the rings; the filters take the
// sample that arrived kFilterReadOffset samples ago, with its history.
// A non-finite sample is stored as silence: it would otherwise stay in the
// filters' feedback and the velocity means for the instance's lifetime.
template <typename T>
void takeInputs(Tamboro& t, Lane<T>& lane, T* const* inputs, int32_t i) {
    for (int c = 0; c < kNumChannels; c++) {
        const T sample = inputs[c][i];
        lane.inputRing[c][t.writeIndex] = std::isfinite(sample) ? sample : T(0);
    }
    for (int c = 0; c < kNumChannels; c++) {
        *lane.prevInput1[c] = *lane.inputHistory1[c];
        *lane.prevInput2[c] = *lane.inputHistory2[c];
        *lane.inputHistory2[c] = *lane.inputHistory1[c];
        *lane.inputHistory1[c] = lane.inputRing[c][t.readIndex];
    }
}

// Steps 3 and 4: the filter bank, and each channel's output, the sum of its
// band outputs in band order rounded once when stored. The filters are
// 32-bit: the 64-bit path's inputs are rounded as they enter.
template <typename T>
void filterAndSum(Tamboro& t, Lane<T>& lane, FilterBank& bank, T (&outputs)[kNumChannels]) {
    const ChannelPair x0 = ChannelPair{(float)lane.inputRing[0][t.readIndex],
                                       (float)lane.inputRing[1][t.readIndex]};
    const ChannelPair x1 = ChannelPair{(float)*lane.prevInput1[0], (float)*lane.prevInput1[1]};
    const ChannelPair x2 = ChannelPair{(float)*lane.prevInput2[0], (float)*lane.prevInput2[1]};
    const ChannelPair sum = bank.step(x0, x1, x2, lane.bandOutputs);
    for (int c = 0; c < kNumChannels; c++) outputs[c] = (T)sum[c];
}

template <typename T>
void processSample(Tamboro& t, Lane<T>& lane, FilterBank& bank, LevelWindowSum<T>& windowSum,
                   T* const* inputs, T* const* outputs, int32_t i) {
    t.eventDeltaFrames = i;
    takeInputs(t, lane, inputs, i);   // 1, 2
    T out[kNumChannels];
    filterAndSum(t, lane, bank, out); // 3, 4
    for (int c = 0; c < kNumChannels; c++) outputs[c][i] = out[c];
    takeLevelInput(lane, out);        // 5
    updateSamplesPerBeat(t);
    updateThresholds(t, lane);        // 6
    detectOnset(t, lane);             // 7
    updateModes(t);                   // 8
    if (t.detectionMode)              // 9
        runNoteStage(t, lane.atReleaseLevel());
    else
        runLearningStage(t, lane);
    t.readIndex = nextRingIndex(t.readIndex, kInputRingSize);  // 10
    t.writeIndex = nextRingIndex(t.writeIndex, kInputRingSize);
    updateLevel(t, lane, windowSum);           // 11
}

template <typename T>
void runPipeline(Tamboro& t, T* const* inputs, T* const* outputs, int32_t sampleFrames) {
    Lane<T> lane(t);
    FilterBank bank(t);
    LevelWindowSum<T> windowSum(lane.levelHistory);
    for (int32_t i = 0; i < sampleFrames; i++)
        processSample(t, lane, bank, windowSum, inputs, outputs, i);
    if (sampleFrames > 0) bank.storeHistories(t);
}

}  // namespace engine
