// The velocity arithmetic: roundings, the running means and the limits.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/velocity.h"

#include "engine_test_support.h"
#include "engine_unit_support.h"

namespace {

using namespace enginetest;
using engine::velocityFromGain;

TEST(Velocity, GainBecomesAMidiVelocity) {
    EXPECT_EQ(velocityFromGain(0.0), 0);
    EXPECT_EQ(velocityFromGain(0.5), 63);
    EXPECT_EQ(velocityFromGain(0.999), 126);
    EXPECT_EQ(velocityFromGain(1.0), 127);
    EXPECT_EQ(velocityFromGain(128.0 / 127.0), 127);  // exactly 128
    // Louder than full scale: limited, where the 7-bit mask used to wrap
    // 177 to 49; and no float-to-int conversion out of range.
    EXPECT_EQ(velocityFromGain(1.4), 127);
    EXPECT_EQ(velocityFromGain(1e300), 127);
    EXPECT_EQ(velocityFromGain(INFINITY), 127);
    EXPECT_EQ(velocityFromGain(NAN), 0);
}

void fillRings(Tamboro& t, float left, float right) {
    std::fill(t.inputRingL, t.inputRingL + kInputRingSize, left);
    std::fill(t.inputRingR, t.inputRingR + kInputRingSize, right);
}

// Expected bits from an independent model (Python, every rounding written
// out); without the float roundings every one of them differs.
TEST(Velocity, IntermediatesEqualAnIndependentModel) {
    auto t = newTamboro();
    fillRingsWithNoise(t->inputRingL, t->inputRingR);
    engine::Lane<float> lane(*t);
    engine::measureVelocity(*t, lane);
    EXPECT_EQ(bitsOf(t->meanLeft), 0x3ef401bdu);
    EXPECT_EQ(bitsOf(t->meanRight), 0x3eaefe18u);
    EXPECT_EQ(bitsOf(t->velocityMagnitude), 0x3ed17feau);
    EXPECT_EQ(bitsOf(t->velocityDb), 0xc0f8601cu);
    EXPECT_EQ(bitsOf(t->velocityExponent), 0xbe46b34au);
    EXPECT_EQ(bitsOf(t->velocityGain), 0x3f23c17bu);
    EXPECT_EQ(t->velocity, 81);
}

// The sums cover positions 0 to 98, divide by 100 and start from the
// previous hit's means.
TEST(Velocity, MeansRunOnFromHitToHit) {
    auto t = newTamboro();
    engine::Lane<float> lane(*t);
    engine::measureVelocity(*t, lane);  // silent rings
    EXPECT_EQ(t->velocity, 0);
    EXPECT_EQ(t->velocityDb, -INFINITY);

    fillRings(*t, 0.25f, 0.25f);
    engine::measureVelocity(*t, lane);
    EXPECT_EQ(bitsOf(t->meanLeft), 0x3e7d70a4u);  // 0.2475
    EXPECT_EQ(t->velocity, 63);
    engine::measureVelocity(*t, lane);
    EXPECT_EQ(bitsOf(t->meanRight), 0x3e7ff972u);  // 0.249975
    EXPECT_EQ(t->velocity, 63);

    auto cancelling = newTamboro();  // signed means cancel
    fillRings(*cancelling, 0.25f, -0.25f);
    engine::Lane<float> cancellingLane(*cancelling);
    engine::measureVelocity(*cancelling, cancellingLane);
    EXPECT_EQ(cancelling->velocityMagnitude, 0.0f);
    EXPECT_EQ(cancelling->velocity, 0);
}

}  // namespace
