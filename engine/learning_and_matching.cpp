#include "learning_and_matching.h"

namespace engine {

namespace {
constexpr float kDetectionAbove = 0.5f;
// "Template Inst" switch position of each slot.
constexpr float kTemplateInstPositions[kNumSlots] = {0.0f, 0.5f, 1.0f};
}  // namespace

void updateModes(Tamboro& t) {
    t.detectionMode = t.functionSelect.load(kRelaxed) > kDetectionAbove ? 1 : 0;
    const float inst = t.templateInst.load(kRelaxed);
    for (int32_t slot = 0; slot < kNumSlots; slot++)
        if (inst == kTemplateInstPositions[slot]) t.templateSlot = slot;
}

int32_t winningSlot(const float* scores, int32_t previous) {
    if (scores[1] < scores[0] && scores[2] < scores[0]) return 0;
    if (scores[0] < scores[1] && scores[2] < scores[1]) return 1;
    if (scores[1] < scores[2] && scores[0] < scores[2]) return 2;
    return previous;
}

}  // namespace engine
