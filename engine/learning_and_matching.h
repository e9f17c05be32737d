// Template mode and detection mode, the learning stage of template mode, and
// the template match that chooses the drum of a hit on "Dynamic".
#pragma once

#include <cstdint>

#include "lane.h"

namespace engine {

// Decodes "Function" (above 0.5: detection) and "Template Inst" (exact switch
// positions; any other value keeps the slot).
void updateModes(Tamboro& t);

// Template mode, every sample: the release of a hit.
template <typename T>
void runLearningStage(Tamboro& t, Lane<T>& lane) {
    if (lane.atReleaseLevel()) {
        t.hitActive = 0;
        t.learnedThisHit = 0;
    }
}

}  // namespace engine
