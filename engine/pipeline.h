// The per-sample pipeline, written once: processReplacing runs it on the
// 32-bit lane and processDoubleReplacing on the 64-bit lane. State carries
// over from sample to sample and from call to call; nothing is reset at a
// block boundary.
//
// Runs on the audio thread only: no allocation, lock, I/O or exception here.
#pragma once

#include <cmath>
#include <cstdint>

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

// Steps 3 and 4: the filter bank in object order, and each channel's
// output, the sum of its band outputs in band order rounded once when
// stored. The sums are formed as the bands come out of the bank, so the
// additions overlap with the filtering. The filters are 32-bit: the 64-bit
// path's inputs are rounded as they enter.
template <typename T>
void filterAndSum(Tamboro& t, Lane<T>& lane, T (&outputs)[kNumChannels]) {
    float x0[kNumChannels], x1[kNumChannels], x2[kNumChannels];
    for (int c = 0; c < kNumChannels; c++) {
        x0[c] = (float)lane.inputRing[c][t.readIndex];
        x1[c] = (float)*lane.prevInput1[c];
        x2[c] = (float)*lane.prevInput2[c];
    }
    double sum[kNumChannels] = {kSumStart, kSumStart};
    for (int k = 0; k < kNumBands; k++) {
        // Copied once for both filters of the band, rather than reloaded
        // after the first filter's stores.
        const float b0 = t.bandCoefficients[k][kB0], b1 = t.bandCoefficients[k][kB1],
                    b2 = t.bandCoefficients[k][kB2], a1 = t.bandCoefficients[k][kA1],
                    a2 = t.bandCoefficients[k][kA2];
        Tamboro::BandFilterPair& pair = t.bandFilters[k];
        const float left = pair.left.filterSample(b0, b1, b2, a1, a2, x0[0], x1[0], x2[0]);
        const float right = pair.right.filterSample(b0, b1, b2, a1, a2, x0[1], x1[1], x2[1]);
        lane.bandOutputs[2 * k] = left;
        lane.bandOutputs[2 * k + 1] = right;
        sum[0] += left;
        sum[1] += right;
    }
    for (int c = 0; c < kNumChannels; c++) outputs[c] = (T)sum[c];
}

template <typename T>
void processSample(Tamboro& t, Lane<T>& lane, T* const* inputs, T* const* outputs, int32_t i) {
    t.eventDeltaFrames = i;
    takeInputs(t, lane, inputs, i);   // 1, 2
    T out[kNumChannels];
    filterAndSum(t, lane, out);       // 3, 4
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
    updateLevel(t, lane);             // 11
}

template <typename T>
void runPipeline(Tamboro& t, T* const* inputs, T* const* outputs, int32_t sampleFrames) {
    Lane<T> lane(t);
    for (int32_t i = 0; i < sampleFrames; i++) processSample(t, lane, inputs, outputs, i);
}

}  // namespace engine
