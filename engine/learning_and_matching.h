// Template mode and detection mode, the learning stage of template mode, and
// the template match that chooses the drum of a hit on "Dynamic".
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "lane.h"

namespace engine {

constexpr float kDetectionAbove = 0.5f;
// "Template Inst" switch position of each slot.
inline constexpr const float (&kTemplateInstPositions)[kNumSlots] = plugin_info::kTemplateInstOf;

// Decodes "Function" (above 0.5: detection) and "Template Inst" (exact switch
// positions; any other value keeps the slot).
inline void updateModes(DetectorState& t) {
    t.detectionMode = t.functionSelect.load(kRelaxed) > kDetectionAbove ? 1 : 0;
    const float inst = t.templateInst.load(kRelaxed);
    for (int32_t slot = 0; slot < kNumSlots; slot++)
        if (inst == kTemplateInstPositions[slot]) t.templateSlot = slot;
}

// The slot whose score beats both others; on a shared best score the
// previous winner stays, whatever its own score.
int32_t winningSlot(const float* scores, int32_t previous);

// The instruments' operations by slot, in the order of their virtual slots.
using MatchOperation = float (DetectorState::InstDefine::*)(float, float, float, float);
using LearnOperation = float (DetectorState::InstTemplate::*)(float, float);
constexpr MatchOperation kMatchSlot[kNumSlots] = {
    &DetectorState::InstDefine::matchSlot0, &DetectorState::InstDefine::matchSlot1,
    &DetectorState::InstDefine::matchSlot2};
constexpr LearnOperation kLearnUpper[kNumSlots] = {
    &DetectorState::InstTemplate::learnUpper0, &DetectorState::InstTemplate::learnUpper1,
    &DetectorState::InstTemplate::learnUpper2};
constexpr LearnOperation kLearnLower[kNumSlots] = {
    &DetectorState::InstTemplate::learnLower0, &DetectorState::InstTemplate::learnLower1,
    &DetectorState::InstTemplate::learnLower2};

// The instruments are 32-bit: the 64-bit path's band outputs and windows are
// rounded as they enter, and learned bounds widened as they are stored.
template <typename T>
void learnTemplate(DetectorState& t, Lane<T>& lane) {
    const int32_t slot = t.templateSlot;
    for (int k = 0; k < kNumBands; k++) {
        const float left = (float)lane.sampleBandOutputs[2 * k],
                    right = (float)lane.sampleBandOutputs[2 * k + 1];
        DetectorState::InstTemplate& instrument = t.instTemplates[k];
        lane.templateWindows[slot][k][kUpperBound] = (instrument.*kLearnUpper[slot])(left, right);
        lane.templateWindows[slot][k][kLowerBound] = (instrument.*kLearnLower[slot])(left, right);
    }
}

// Scores each slot by the number of bands inside its windows and takes the
// winner's note. The scores are zero again afterwards.
template <typename T>
void matchTemplates(DetectorState& t, Lane<T>& lane) {
    for (int k = 0; k < kNumBands; k++) {
        const float left = (float)lane.sampleBandOutputs[2 * k],
                    right = (float)lane.sampleBandOutputs[2 * k + 1];
        for (int s = 0; s < kNumSlots; s++) {
            const auto& window = lane.templateWindows[s][k];
            t.bandMatches[k][s] = (t.instDefines[k].*kMatchSlot[s])(
                left, right, (float)window[kUpperBound], (float)window[kLowerBound]);
        }
        for (int s = 0; s < kNumSlots; s++)
            t.templateScores[s] = (double)t.templateScores[s] + (double)t.bandMatches[k][s];
    }
    std::copy(std::begin(t.templateScores), std::end(t.templateScores), t.scoreCopy);
    t.bestTemplate = winningSlot(t.scoreCopy, t.bestTemplate);
    std::fill(std::begin(t.templateScores), std::end(t.templateScores), 0.0f);
    t.noteNumber = kSlotNotes[t.bestTemplate];
}

// Template mode, every sample: a hit is recorded once, in the first
// template-mode sample in which it is active (normally its onset sample),
// into the selected slot; then the release test.
template <typename T>
void runLearningStage(DetectorState& t, Lane<T>& lane) {
    if (t.hitActive && !t.learnedThisHit) {
        t.learnedThisHit = 1;
        learnTemplate(t, lane);
    }
    if (lane.atReleaseLevel()) {
        t.hitActive = 0;
        t.learnedThisHit = 0;
    }
}

}  // namespace engine
