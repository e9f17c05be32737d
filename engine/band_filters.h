// The band filters' step, shared by both filter classes. It is defined in
// the classes, so the pipeline's 22 steps per sample can be inlined.
#pragma once

#include <cmath>

namespace engine {

// Whether this processor can step the filter bank two bands at a time.
bool wideVectorsAvailable();

// Keeps the recursive state away from subnormal numbers on silent input.
constexpr double kAntiDenormalOffset = 1e-25;

// The direct-form-I sum, formed left to right in double precision: the three
// feed-forward products added in order, the two feedback products subtracted,
// then the offset. Written once for a single filter and for the filter bank's
// vectors of lanes; the vectors go by reference, since code compiled for
// different processors passes the widest ones by value differently.
template <typename Number>
inline void biquadSum(const Number& b0, const Number& b1, const Number& b2, const Number& a1,
                      const Number& a2, const Number& x0, const Number& x1, const Number& x2,
                      const Number& y1, const Number& y2, Number& sum) {
    sum = b0 * x0 + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2 + kAntiDenormalOffset;
}

// One step, rounded to float once, when stored. The history is read into
// locals first so that the compiler need not reload it after each store.
template <typename Filter>
inline float stepFilter(Filter& f, float b0, float b1, float b2, float a1, float a2, float x0,
                        float x1, float x2) {
    const float y1 = *f.outputCell1;
    const float y2 = *f.outputCell2;
    f.prevOutput1 = y1;
    f.prevOutput2 = y2;
    double sum;
    biquadSum<double>(b0, b1, b2, a1, a2, x0, x1, x2, y1, y2, sum);
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
