// The band filters' step, shared by both filter classes. It is defined in
// the classes, so the pipeline's 22 steps per sample can be inlined.
#pragma once

#include <cmath>

namespace engine {

// Keeps the recursive state away from subnormal numbers on silent input.
constexpr double kAntiDenormalOffset = 1e-25;

// One direct-form-I step. The sum is formed left to right in double
// precision and rounded to float once, when stored. The history is read into
// locals first so that the compiler need not reload it after each store.
template <typename Filter>
inline float stepFilter(Filter& f, float b0, float b1, float b2, float a1, float a2, float x0,
                        float x1, float x2) {
    const float y1 = *f.outputCell1;
    const float y2 = *f.outputCell2;
    f.prevOutput1 = y1;
    f.prevOutput2 = y2;
    const double sum = (double)b0 * x0 + (double)b1 * x1 + (double)b2 * x2 - (double)a1 * y1 -
                       (double)a2 * y2 + kAntiDenormalOffset;
    float y = (float)sum;
    // A non-finite output would poison the feedback for the instance's
    // lifetime: forget this filter's history instead.
    if (!std::isfinite(y)) {
        y = 0.0f;
        f.newOutput = f.lastOutput = y;
        *f.outputCell1 = *f.outputCell2 = y;
        return y;
    }
    f.newOutput = f.lastOutput = y;
    *f.outputCell2 = y1;
    *f.outputCell1 = y;
    return y;
}

}  // namespace engine
