// The processing pipeline, its steps numbered as they happen to each sample,
// written once: processReplacing runs it on the 32-bit lane and
// processDoubleReplacing on the 64-bit lane, each with the filter bank's
// vector width that suits the processor. State carries over from sample to
// sample and from call to call; nothing is reset at a block boundary, and a
// block of N samples gives what N blocks of one give.
//
// Runs on the audio thread only: no allocation, lock, I/O or exception here.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

#include "filter_bank.h"
#include "hit_detection.h"
#include "lane.h"
#include "learning_and_matching.h"
#include "notes.h"

namespace engine {

// What the filtering passes leave for the sample-by-sample pass. A chunk is
// never longer than the distance between the rings' write and read
// positions, so every input the filters take in it was stored by step 1
// before the chunk began.
template <typename T>
struct Chunk {
    static constexpr int32_t kMaxFrames = kFilterReadOffset;
    static_assert(kMaxFrames <= kInputRingSize - kFilterReadOffset);

    // Floats widened, on either path: both keep the band outputs whole.
    double bandOutputs[kMaxFrames][kNumFilters];
    T outputs[kMaxFrames][kNumChannels];
    T magnitudes[kMaxFrames];  // the level input of each sample
    T levels[kMaxFrames];      // the level after each sample
};

// Step 1: the raw input enters the rings. A non-finite sample is stored as
// silence: it would otherwise stay in the filters' feedback and the velocity
// means for the instance's lifetime.
template <typename T>
void storeInputs(DetectorState& t, Lane<T>& lane, T* const* inputs, int32_t i) {
    for (int c = 0; c < kNumChannels; c++) {
        const T sample = inputs[c][i];
        lane.inputRing[c][t.writeIndex] = std::isfinite(sample) ? sample : T(0);
    }
}

// Step 2's history cells and copies, held for the call like the filters'
// own histories and stored back at its end.
template <typename T>
class InputHistory {
public:
    explicit InputHistory(const Lane<T>& lane) {
        for (int c = 0; c < kNumChannels; c++) {
            prev1[c] = *lane.prevInput1[c];
            prev2[c] = *lane.prevInput2[c];
            history1[c] = *lane.inputHistory1[c];
            history2[c] = *lane.inputHistory2[c];
        }
    }

    void advance(const T (&current)[kNumChannels]) {
        for (int c = 0; c < kNumChannels; c++) {
            prev1[c] = history1[c];
            prev2[c] = history2[c];
            history2[c] = history1[c];
            history1[c] = current[c];
        }
    }

    void store(Lane<T>& lane) const {
        for (int c = 0; c < kNumChannels; c++) {
            *lane.prevInput1[c] = prev1[c];
            *lane.prevInput2[c] = prev2[c];
            *lane.inputHistory1[c] = history1[c];
            *lane.inputHistory2[c] = history2[c];
        }
    }

    T prev1[kNumChannels], prev2[kNumChannels];

private:
    T history1[kNumChannels], history2[kNumChannels];
};

// The filters are 32-bit: the 64-bit path's inputs are rounded as they enter.
template <typename T>
ChannelPair filterInput(const T (&sample)[kNumChannels]) {
    return ChannelPair{(float)sample[0], (float)sample[1]};
}

// Steps 2 to 4 and the level input of step 5 for a chunk: the filters take
// the sample that arrived kFilterReadOffset samples ago, with its history;
// each channel's output is the sum of its band outputs in band order,
// rounded once when stored.
template <typename T, typename Bank>
void filterChunk(DetectorState& t, Lane<T>& lane, Bank& bank, InputHistory<T>& history,
                 Chunk<T>& chunk, int32_t frames) {
    for (int32_t j = 0; j < frames; j++) {
        const int32_t read = (t.readIndex + j) % kInputRingSize;
        const T current[kNumChannels] = {lane.inputRing[0][read], lane.inputRing[1][read]};
        history.advance(current);
        const ChannelPair sum = bank.step(filterInput(current), filterInput(history.prev1),
                                          filterInput(history.prev2), chunk.bandOutputs[j]);
        for (int c = 0; c < kNumChannels; c++) chunk.outputs[j][c] = (T)sum[c];
        chunk.magnitudes[j] = measureOutputs(lane, chunk.outputs[j]);
    }
}

// Step 11 for a chunk, in a pass of its own: each sample's level sum is a
// chain of additions, and the chains of neighbouring samples overlap here.
template <typename T>
void levelChunk(DetectorState& t, Lane<T>& lane, LevelWindowSum<T>& windowSum, Chunk<T>& chunk,
                int32_t frames) {
    for (int32_t j = 0; j < frames; j++)
        chunk.levels[j] = updateLevel(t, lane, windowSum, chunk.magnitudes[j]);
}

// Steps 1 and 4 to 10 of sample i, the chunk's sample j.
template <typename T>
void processSample(DetectorState& t, Lane<T>& lane, const Chunk<T>& chunk, int32_t j,
                   T* const* inputs, T* const* outputs, int32_t i, T levelBefore) {
    t.eventDeltaFrames = i;
    storeInputs(t, lane, inputs, i);  // 1
    // Written only now, after the inputs are read: a host may pass the same
    // buffers for both.
    for (int c = 0; c < kNumChannels; c++) outputs[c][i] = chunk.outputs[j][c];  // 4
    lane.sampleBandOutputs = chunk.bandOutputs[j];
    takeLevel(lane, levelBefore);     // 5
    updateThresholds(t, lane);        // 6
    detectOnset(t, lane);             // 7
    updateModes(t);                   // 8
    if (t.detectionMode)              // 9
        runNoteStage(t, lane.atReleaseLevel());
    else
        runLearningStage(t, lane);
    t.readIndex = nextRingIndex(t.readIndex, kInputRingSize);  // 10
    t.writeIndex = nextRingIndex(t.writeIndex, kInputRingSize);
}

// Steps 2 to 4 and 11 depend on the input alone, never on the hit state, so
// for each chunk they run first, as passes of their own; then steps 1 and 5
// to 10 run sample by sample on their results. The members end the call as
// the numbered steps taken one sample at a time leave them.
template <typename T, typename Bank>
void runPipeline(DetectorState& t, T* const* inputs, T* const* outputs, int32_t sampleFrames) {
    if (sampleFrames <= 0) return;
    // Step 5's tempo part: the rate and tempo are fetched once per call, so
    // the result is the same in every sample of it.
    updateSamplesPerBeat(t);
    Lane<T> lane(t);
    Bank bank(t);
    InputHistory<T> history(lane);
    LevelWindowSum<T> windowSum(lane.levelHistory);
    Chunk<T> chunk;
    T levelBefore = lane.averageLevel;
    int32_t frames = 0;
    for (int32_t start = 0; start < sampleFrames; start += frames) {
        frames = std::min(sampleFrames - start, Chunk<T>::kMaxFrames);
        filterChunk(t, lane, bank, history, chunk, frames);
        levelChunk(t, lane, windowSum, chunk, frames);
        for (int32_t j = 0; j < frames; j++) {
            processSample(t, lane, chunk, j, inputs, outputs, start + j, levelBefore);
            levelBefore = chunk.levels[j];
        }
    }
    bank.storeHistories(t);
    history.store(lane);
    std::copy(std::begin(chunk.bandOutputs[frames - 1]), std::end(chunk.bandOutputs[frames - 1]),
              lane.bandOutputs);
}

}  // namespace engine
