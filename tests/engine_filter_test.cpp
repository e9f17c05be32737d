// One band filter on its own: the step's exact arithmetic, the band-pass
// shape, and the behaviour on silence and on overflow.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/band_coefficients.h"
#include "white_noise.h"
#include "engine_test_support.h"
#include "shell/tamboro.h"

namespace {

using enginetest::bitsOf;

template <typename Filter>
float step(Filter& f, int band, float x0, float x1, float x2) {
    const float* b = kBandCoefficients[band];
    return f.filterSample(b[kB0], b[kB1], b[kB2], b[kA1], b[kA2], x0, x1, x2);
}

// Expected bits from an independent model (Python, every rounding written out).
TEST(BandFilter, StepsEqualAnIndependentModel) {
    Tamboro::aFilterL impulse;
    EXPECT_EQ(bitsOf(step(impulse, 0, 1.0f, 0.0f, 0.0f)), 0x39334e77u);
    EXPECT_EQ(bitsOf(step(impulse, 0, 0.0f, 1.0f, 0.0f)), 0x39b34c6cu);
    EXPECT_EQ(bitsOf(step(impulse, 0, 0.0f, 0.0f, 1.0f)), 0x39b34799u);

    testsignal::WhiteNoise noise;
    float x[10];
    for (float& v : x) v = noise.next();
    const uint32_t expected[] = {0xbb07bd62, 0xbbabde30, 0xbc247a3d, 0xbc4daf91,
                                 0xbc4eba9e, 0xbc36c5a5, 0xbc05f40f, 0xbbdbf1f9};
    Tamboro::aFilterR f;
    for (int i = 0; i < 8; i++) EXPECT_EQ(bitsOf(step(f, 7, x[i + 2], x[i + 1], x[i])), expected[i]) << i;
}

TEST(BandFilter, StepKeepsThePreviousHistoryInItsCopies) {
    Tamboro::aFilterL f;
    const float y0 = step(f, 3, 1.0f, 0.0f, 0.0f);
    const float y1 = step(f, 3, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(f.prevOutput1, y0);
    EXPECT_EQ(f.prevOutput2, 0.0f);
    EXPECT_EQ(f.lastOutput, y1);
    EXPECT_EQ(f.newOutput, y1);
    EXPECT_EQ(*f.outputCell1, y1);
    EXPECT_EQ(*f.outputCell2, y0);
}

// The 1e-25 offset keeps the slowest band away from zero and subnormals on
// silence, and it is all a constant input leaves behind.
TEST(BandFilter, SilenceAndConstantInputStayNormal) {
    Tamboro::aFilterL silent;
    EXPECT_EQ(step(silent, 0, 0.0f, 0.0f, 0.0f), (float)1e-25);
    for (int i = 0; i < 1000000; i++) {
        const float y = step(silent, 0, 0.0f, 0.0f, 0.0f);
        ASSERT_TRUE(std::isnormal(y) && y > 0.0f) << i;
    }
    Tamboro::aFilterL constant;
    step(constant, 0, 0.5f, 0.0f, 0.0f);
    step(constant, 0, 0.5f, 0.5f, 0.0f);
    for (int i = 0; i < 4000000; i++) step(constant, 0, 0.5f, 0.5f, 0.5f);
    const float* b = kBandCoefficients[0];
    EXPECT_NEAR(constant.lastOutput, 1e-25 / (1.0 + b[kA1] + b[kA2]), 1e-22);
}

float peakOfSine(int band, double hz, int frames) {
    Tamboro::aFilterL f;
    float x1 = 0.0f, x2 = 0.0f, peak = 0.0f;
    for (int n = 0; n < frames; n++) {
        const float x0 = (float)std::sin(6.283185307179586 * hz * n / 44100.0);
        const float y = step(f, band, x0, x1, x2);
        if (n > frames - 2000) peak = std::max(peak, std::fabs(y));
        x2 = x1;
        x1 = x0;
    }
    return peak;
}

TEST(BandFilter, BandPassShape) {
    EXPECT_NEAR(peakOfSine(7, 640.0, 44100), 6.0f, 0.1f);        // gain 6 at its centre
    EXPECT_LT(peakOfSine(0, 640.0, 88200), std::pow(10.0f, -2.0f));  // more than 40 dB down
}

TEST(BandFilter, LeftAndRightAreTheSameFilter) {
    Tamboro::aFilterL left;
    Tamboro::aFilterR right;
    testsignal::WhiteNoise noise;
    for (int i = 0; i < 5000; i++) {
        const float x = noise.next();
        ASSERT_EQ(bitsOf(step(left, 9, x, 0.5f * x, -x)), bitsOf(step(right, 9, x, 0.5f * x, -x)));
    }
}

// An overflowing step must not leave infinity in the feedback, where it
// would stay for the instance's lifetime.
TEST(BandFilter, OverflowClearsTheHistory) {
    Tamboro::aFilterL f;
    *f.outputCell1 = 3e38f;
    *f.outputCell2 = -3e38f;
    EXPECT_EQ(step(f, 5, 0.0f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(*f.outputCell1, 0.0f);
    EXPECT_EQ(*f.outputCell2, 0.0f);
    EXPECT_EQ(step(f, 5, 0.0f, 0.0f, 0.0f), (float)1e-25);
    EXPECT_EQ(step(f, 5, NAN, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(step(f, 5, 0.0f, 0.0f, 0.0f), (float)1e-25);
}

}  // namespace
