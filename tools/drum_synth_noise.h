// The noise source of the drum voices that must sound the same on every
// machine: xorshift32, small, fast and free of library randomness.
#pragma once

#include <cstdint>

namespace drums {

inline uint32_t xorshift32(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace drums
