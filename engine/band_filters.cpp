// The band filters' step. Both classes run the same code; the caller supplies
// the coefficients and the input history.
#include <cmath>
#include <new>

#include "shell/tamboro.h"

namespace {

// Keeps the recursive state away from subnormal numbers on silent input.
constexpr double kAntiDenormalOffset = 1e-25;

// One direct-form-I step. The sum is formed left to right in double
// precision and rounded to float once, when stored.
template <typename Filter>
float stepFilter(Filter& f, float b0, float b1, float b2, float a1, float a2, float x0, float x1,
                 float x2) {
    f.prevOutput1 = *f.outputCell1;
    f.prevOutput2 = *f.outputCell2;
    double sum = (double)b0 * x0 + (double)b1 * x1 + (double)b2 * x2 -
                 (double)a1 * f.prevOutput1 - (double)a2 * f.prevOutput2 + kAntiDenormalOffset;
    f.newOutput = (float)sum;
    // A non-finite output would poison the feedback for the instance's
    // lifetime: forget this filter's history instead.
    if (!std::isfinite(f.newOutput)) {
        f.newOutput = 0.0f;
        f.lastOutput = 0.0f;
        *f.outputCell1 = 0.0f;
        *f.outputCell2 = 0.0f;
        return 0.0f;
    }
    f.lastOutput = f.newOutput;
    *f.outputCell2 = *f.outputCell1;
    *f.outputCell1 = f.lastOutput;
    return f.lastOutput;
}

template <typename Filter>
void allocateCells(Filter& f) {
    f.outputCell1 = new (std::nothrow) float(0.0f);
    f.outputCell2 = new (std::nothrow) float(0.0f);
}

template <typename Filter>
void freeCells(Filter& f) {
    delete f.outputCell1;
    delete f.outputCell2;
}

}  // namespace

Tamboro::aFilterL::aFilterL() { allocateCells(*this); }
Tamboro::aFilterL::~aFilterL() { freeCells(*this); }
float Tamboro::aFilterL::filterSample(float b0, float b1, float b2, float a1, float a2, float x0,
                                      float x1, float x2) {
    return stepFilter(*this, b0, b1, b2, a1, a2, x0, x1, x2);
}

Tamboro::aFilterR::aFilterR() { allocateCells(*this); }
Tamboro::aFilterR::~aFilterR() { freeCells(*this); }
float Tamboro::aFilterR::filterSample(float b0, float b1, float b2, float a1, float a2, float x0,
                                      float x1, float x2) {
    return stepFilter(*this, b0, b1, b2, a1, a2, x0, x1, x2);
}
