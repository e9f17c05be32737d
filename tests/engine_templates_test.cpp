// The instrument definitions and templates, the template match with its tie
// rules, the learning stage and the mode switches.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/learning_and_matching.h"
#include "engine_test_support.h"
#include "engine_unit_support.h"

namespace {

using namespace enginetest;

constexpr float kMinusInf = -INFINITY;

TEST(InstDefine, WindowsIncludeTheirBounds) {
    Tamboro::InstDefine band;
    EXPECT_EQ(band.matchSlot0(0.5f, 0.5f, -1.02f, -11.02f), 1.0f);
    EXPECT_NEAR(band.levelDb, -6.0206, 1e-4);
    EXPECT_EQ(band.level, 0.5f);
    EXPECT_EQ(band.matchSlot0(0.5f, 0.5f, -7.0f, -17.0f), 0.0f);
    EXPECT_EQ(band.matchSlot0(-0.5f, -0.5f, -1.02f, -11.02f), 1.0f);  // the magnitude counts
    const float db = band.levelDb;
    EXPECT_EQ(band.matchSlot1(0.5f, 0.5f, db, db - 1.0f), 1.0f);
    EXPECT_EQ(band.matchSlot2(0.5f, 0.5f, db + 1.0f, db), 1.0f);
    EXPECT_EQ(band.matchSlot1(0.5f, 0.5f, std::nextafter(db, -100.0f), -20.0f), 0.0f);
    EXPECT_EQ(band.match0, 1.0f);  // each operation keeps its own answer
    EXPECT_EQ(band.match1, 0.0f);
    EXPECT_EQ(band.match2, 1.0f);
}

TEST(InstDefine, EmptyInvertedSilentAndNanWindows) {
    Tamboro::InstDefine band;
    // Before any learning every window is (0, 0): only 0 dB matches it.
    EXPECT_EQ(band.matchSlot0(1.0f, 1.0f, 0.0f, 0.0f), 1.0f);
    EXPECT_EQ(band.matchSlot0(0.99f, 0.99f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(band.matchSlot0(0.5f, 0.5f, -11.0f, -1.0f), 0.0f);  // upper below lower
    // A silent mid is -infinity dB: below every lower bound but -infinity.
    EXPECT_EQ(band.matchSlot0(0.25f, -0.25f, 0.0f, 0.0f), 0.0f);
    EXPECT_EQ(band.levelDb, kMinusInf);
    EXPECT_EQ(band.matchSlot0(0.25f, -0.25f, kMinusInf, kMinusInf), 1.0f);
    EXPECT_EQ(band.matchSlot0(NAN, 0.5f, 100.0f, -100.0f), 0.0f);
    EXPECT_EQ(band.matchSlot0(0.5f, 0.5f, NAN, -100.0f), 0.0f);
    EXPECT_EQ(band.matchSlot0(0.5f, 0.5f, 100.0f, NAN), 0.0f);
}

TEST(InstTemplate, WindowIsFiveDecibelsEitherSide) {
    Tamboro::InstTemplate band;
    EXPECT_NEAR(band.learnUpper0(0.5f, 0.5f), -1.0206, 1e-4);
    EXPECT_NEAR(band.learnLower0(0.5f, 0.5f), -11.0206, 1e-4);
    EXPECT_EQ(band.learnUpper1(1.0f, 1.0f), 5.0f);
    EXPECT_EQ(band.learnLower1(1.0f, 1.0f), -5.0f);
    EXPECT_EQ(band.learnUpper2(0.25f, -0.25f), kMinusInf);
    EXPECT_EQ(band.learnLower2(0.25f, -0.25f), kMinusInf);
    EXPECT_NEAR(band.upper0, -1.0206, 1e-4);
    EXPECT_EQ(band.lower1, -5.0f);
    EXPECT_EQ(band.upper2, kMinusInf);
    EXPECT_EQ(band.level, 0.0f);
}

// Expected bits from an independent model (Python, every rounding written out).
TEST(InstTemplate, LevelsEqualAnIndependentModel) {
    struct Case {
        uint32_t left, right, db, upper, lower;
    };
    const Case cases[] = {{0x3e5d0eb8, 0xbd81e1ec, 0xc1b2dc71, 0xc18adc71, 0xc1dadc71},
                          {0xbc3ed437, 0xbe3f1bf4, 0xc1a099e2, 0xc17133c4, 0xc1c899e2},
                          {0xbe476562, 0x3d5d6784, 0xc1b873ff, 0xc19073ff, 0xc1e073ff},
                          {0x3d80c106, 0x3e5732bc, 0xc18a5f7e, 0xc144befc, 0xc1b25f7e}};
    auto floatOf = [](uint32_t bits) {
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    };
    for (const Case& c : cases) {
        Tamboro::InstTemplate recorder;
        Tamboro::InstDefine matcher;
        const float left = floatOf(c.left), right = floatOf(c.right);
        EXPECT_EQ(bitsOf(recorder.learnUpper1(left, right)), c.upper);
        EXPECT_EQ(bitsOf(recorder.learnLower1(left, right)), c.lower);
        matcher.matchSlot1(left, right, 0.0f, 0.0f);
        EXPECT_EQ(bitsOf(matcher.levelDb), c.db);
        EXPECT_EQ(bitsOf(recorder.levelDb), c.db);
    }
}

TEST(Match, WinnerNeedsTheHighestScoreAlone) {
    const float scores[][kNumSlots] = {{5, 5, 1}, {0, 3, 3}, {0, 3, 2}, {0, 0, 0}, {2, 1, 1}, {0, 0, 1}};
    const int32_t previous[] = {2, 0, 0, 1, 2, 0};
    const int32_t winner[] = {2, 0, 1, 1, 0, 2};
    for (int i = 0; i < 6; i++) EXPECT_EQ(engine::winningSlot(scores[i], previous[i]), winner[i]) << i;
}

// `matching[s]` bands of slot s have a window around -6.02 dB, the level of
// every band of kHalfLevelBands.
const double kHalfLevelBands[kNumFilters] = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5,
                                             0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
void setWindows(Tamboro& t, const int (&matching)[kNumSlots]) {
    for (int k = 0; k < kNumBands; k++) {
        for (int s = 0; s < kNumSlots; s++) {
            t.templateWindows[s][k][kUpperBound] = k < matching[s] ? -1.0f : 0.0f;
            t.templateWindows[s][k][kLowerBound] = k < matching[s] ? -11.0f : 0.0f;
        }
    }
}

TEST(Match, ScoresChooseTheNoteAndAreClearedAfterwards) {
    auto t = newTamboro();
    engine::Lane<float> lane(*t);
    lane.sampleBandOutputs = kHalfLevelBands;
    const int scores[][kNumSlots] = {{11, 0, 0}, {2, 2, 9}, {5, 5, 1}, {0, 3, 3}, {0, 3, 2}};
    const int32_t notes[] = {36, 42, 42, 42, 38};
    for (int i = 0; i < 5; i++) {
        setWindows(*t, scores[i]);
        engine::matchTemplates(*t, lane);
        EXPECT_EQ(t->noteNumber, notes[i]) << i;
        for (int s = 0; s < kNumSlots; s++) {
            EXPECT_EQ(t->scoreCopy[s], (float)scores[i][s]) << i;
            EXPECT_EQ(t->templateScores[s], 0.0f);
            EXPECT_EQ(t->bandMatches[0][s], scores[i][s] > 0 ? 1.0f : 0.0f);
        }
    }
}

TEST(Learning, OneHitRewritesOnlyTheSelectedSlotOnce) {
    auto t = newTamboro();
    engine::Lane<float> lane(*t);
    std::fill(&t->templateWindows[0][0][0], &t->templateWindows[0][0][0] + 66, 7.0f);
    t->templateSlot = 1;
    t->highThreshold = kNever;
    t->averageLevel = 1.0f;  // above the release threshold
    double bands[kNumFilters];
    lane.sampleBandOutputs = bands;
    for (double level : {0.5, 1.0}) {  // two hits: the second overwrites the first
        std::fill(std::begin(bands), std::end(bands), level);
        t->hitActive = 1;
        engine::runLearningStage(*t, lane);
        std::fill(std::begin(bands), std::end(bands), 0.25);
        engine::runLearningStage(*t, lane);  // still the same hit: nothing more is recorded
        t->learnedThisHit = 0;
    }
    for (int k = 0; k < kNumBands; k++) {
        EXPECT_EQ(t->templateWindows[1][k][kUpperBound], 5.0f);
        EXPECT_EQ(t->templateWindows[1][k][kLowerBound], -5.0f);
        for (int s : {0, 2})
            for (int b = 0; b < kNumBounds; b++) EXPECT_EQ(t->templateWindows[s][k][b], 7.0f);
    }
}

TEST(Modes, FunctionAndTemplateInstSwitches) {
    auto t = newTamboro();
    const std::pair<float, int32_t> functions[] = {{0.0f, 0}, {0.5f, 0}, {0.5001f, 1}, {1.0f, 1}};
    for (auto [function, mode] : functions) {
        t->functionSelect = function;
        engine::updateModes(*t);
        EXPECT_EQ(t->detectionMode, mode) << function;
    }
    const std::pair<float, int32_t> insts[] = {{0.5f, 1}, {0.3f, 1}, {1.0f, 2}, {0.99f, 2}, {0.0f, 0}};
    for (auto [inst, slot] : insts) {
        t->templateInst = inst;
        engine::updateModes(*t);
        EXPECT_EQ(t->templateSlot, slot) << inst;
    }
}

}  // namespace
