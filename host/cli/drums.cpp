#include "drums.h"

namespace cli {

std::optional<int> drumOfNote(int note) {
    for (int i = 0; i < kNumDrums; i++)
        if (kDrums[i].note == note) return i;
    return std::nullopt;
}

std::optional<int> drumByName(const std::string& name) {
    for (int i = 0; i < kNumDrums; i++)
        if (name == kDrums[i].name) return i;
    return std::nullopt;
}

}  // namespace cli
