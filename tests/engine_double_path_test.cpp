// The 64-bit path on instances built from the plug-in's code: the shared
// 32-bit filters fed from 64-bit state, the threshold twins, and the
// velocity kept at 64 bits.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/hit_detection.h"
#include "tools/drum_synth.h"
#include "engine_test_support.h"
#include "engine_unit_support.h"

namespace {

using namespace enginetest;

constexpr double kTenth = 0.1f;

// Input that floats hold exactly: the same band outputs as the 32-bit path,
// and the same outputs before the 32-bit path's final rounding.
TEST(DoublePath, SharesTheFiltersAndSkipsOnlyTheFinalRounding) {
    auto single = newTamboro(), twin = newTamboro();
    std::vector<float> drums = drums::render(drums::groove(3000, 700), 3000);
    int unrounded = 0;
    for (float x : drums) {
        double xd = x, outD[2];
        float xf = x, outF[2];
        float* inF[2] = {&xf, &xf};
        float* outFs[2] = {&outF[0], &outF[1]};
        double* inD[2] = {&xd, &xd};
        double* outDs[2] = {&outD[0], &outD[1]};
        single->processReplacing(inF, outFs, 1);
        twin->processDoubleReplacing(inD, outDs, 1);
        double sum = -0.0;
        for (int k = 0; k < kNumBands; k++) {
            ASSERT_EQ(twin->bandOutputsDouble[2 * k], (double)single->bandOutputs[2 * k]);
            sum += single->bandOutputs[2 * k];
        }
        ASSERT_EQ(outD[0], sum);
        ASSERT_EQ((float)outD[0], outF[0]);
        if (outD[0] != (double)outF[0]) unrounded++;
    }
    EXPECT_GT(unrounded, 2000);
}

// The twins follow the parameters in every sample; a ratio writes the
// 32-bit "Low Threshold" back as the 32-bit path does.
TEST(DoublePath, ThresholdTwinsFollowTheParameters) {
    auto t = newTamboro();
    engine::Lane<double> lane(*t);
    t->highThreshold = 0.4f;
    t->lowThreshold = 0.3f;
    engine::updateThresholds(*t, lane);
    EXPECT_EQ(t->highThresholdDouble, (double)0.4f);
    EXPECT_EQ(t->lowThresholdDouble, (double)0.3f);
    EXPECT_EQ(t->effectiveLowThresholdDouble, (double)0.3f * kTenth);  // not rounded to float

    t->highThreshold = 0.5f;
    t->ratioSelect = 0.25f;
    engine::updateThresholds(*t, lane);
    const double low = (0.5 / 19) / kTenth;
    EXPECT_EQ(t->lowThresholdDouble, low);
    EXPECT_EQ(t->ratioLowThresholdDouble, low);
    EXPECT_EQ(t->effectiveLowThresholdDouble, low * kTenth);
    EXPECT_EQ(t->lowThreshold, (float)low);
    EXPECT_EQ(t->ratioDivide, 19.0f);
    EXPECT_EQ(t->ratioLowThreshold, 1.0f);  // the 32-bit path's own member is untouched

    t->ratioSelect = 0.3f;
    t->highThreshold = 0.9f;
    engine::updateThresholds(*t, lane);
    EXPECT_EQ(t->highThresholdDouble, (double)0.9f);
    EXPECT_EQ(t->effectiveLowThresholdDouble, low * kTenth);
}

// Expected bits from an independent model (Python); only the quotient and
// the logarithm are rounded to float on this path.
TEST(DoublePath, VelocityIntermediatesEqualAnIndependentModel) {
    auto t = newTamboro();
    fillRingsWithNoise(t->inputRingLDouble, t->inputRingRDouble);
    engine::Lane<double> lane(*t);
    engine::measureVelocity(*t, lane);
    EXPECT_EQ(bitsOf(t->meanLeftDouble), 0x3fde8037e60f5c29u);
    EXPECT_EQ(bitsOf(t->meanRightDouble), 0x3fd5dfc33b666666u);
    EXPECT_EQ(bitsOf(t->velocityMagnitudeDouble), 0x3fda2ffd90bae148u);
    EXPECT_EQ(bitsOf(t->velocityDbDouble), 0xc01f0c0318000000u);
    EXPECT_EQ(bitsOf(t->velocityExponentDouble), 0xbfc8d668e0000000u);
    EXPECT_EQ(bitsOf(t->velocityGainDouble), 0x3fe4782f8bc57137u);
    EXPECT_EQ(t->velocity, 81);
    EXPECT_EQ(t->meanLeft, 0.0f);  // the 32-bit means are another path's
}

}  // namespace
