#include "learning_and_matching.h"

namespace engine {

int32_t winningSlot(const float* scores, int32_t previous) {
    if (scores[1] < scores[0] && scores[2] < scores[0]) return 0;
    if (scores[0] < scores[1] && scores[2] < scores[1]) return 1;
    if (scores[1] < scores[2] && scores[0] < scores[2]) return 2;
    return previous;
}

}  // namespace engine
