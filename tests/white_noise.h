// White noise for the engine's tests: a small xorshift generator, so every
// platform sees the same numbers; expected bits in the tests depend on them.
#pragma once

#include <cstdint>

namespace testsignal {

class WhiteNoise {
public:
    float next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (float)((double)(state >> 11) / (double)(1ull << 53) * 2.0 - 1.0);
    }

private:
    uint64_t state = 0x9E3779B97F4A7C15ull;
};

}  // namespace testsignal
