// Thresholds, the onset and release comparisons, ring positions and the
// MIDI records, on instances built from the plug-in's code.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/hit_detection.h"
#include "engine_test_support.h"
#include "engine_unit_support.h"

namespace {

using namespace enginetest;

constexpr double kTenth = plugin_info::kReleaseFactor;

TEST(Thresholds, EffectiveLowThreshold) {
    auto t = newTamboro();
    engine::Lane<float> lane(*t);
    engine::updateThresholds(*t, lane);
    EXPECT_EQ(t->effectiveLowThreshold, 0.1f);  // the defaults: "Low Threshold" 1.0 / 10

    t->highThreshold = 0.5f;
    t->ratioSelect = 0.25f;
    engine::updateThresholds(*t, lane);
    const float low = (float)((0.5 / 19) / kTenth);
    EXPECT_EQ(t->lowThreshold, low);
    EXPECT_EQ(t->ratioLowThreshold, low);
    EXPECT_EQ(t->effectiveLowThreshold, (float)(low * kTenth));
    EXPECT_NEAR(t->effectiveLowThreshold, 0.5 / 19, 1e-8);
    EXPECT_EQ(t->ratioDivide, 19.0f);

    // Values the editor never sends keep the last ratio's threshold.
    for (float stray : {0.3f, NAN}) {
        t->ratioSelect = stray;
        t->highThreshold = 0.9f;
        t->lowThreshold = 0.7f;
        engine::updateThresholds(*t, lane);
        EXPECT_EQ(t->ratioLowThreshold, low);
        EXPECT_EQ(t->effectiveLowThreshold, (float)(low * kTenth));
        EXPECT_EQ(t->lowThreshold, 0.7f);
        EXPECT_EQ(t->ratioDivide, 19.0f);
    }
}

// Both comparisons include equality: a level equal to "High Threshold"
// starts a hit, one equal to the release threshold ends it.
TEST(Thresholds, OnsetAndReleaseAtExactlyTheThreshold) {
    for (float above : {0.0f, 1.0f}) {
        auto t = newTamboro();
        t->averageLevel = 0.375f;
        t->highThreshold = above == 0.0f ? 0.375f : std::nextafter(0.375f, 1.0f);
        processSilence<float>(*t, 1);
        EXPECT_EQ(t->hitActive, above == 0.0f ? 1 : 0);
    }
    for (float above : {0.0f, 1.0f}) {
        auto t = newTamboro();  // template mode
        t->highThreshold = kNever;
        t->lowThreshold = 0.3f;
        const float release = (float)(0.3f * kTenth);
        t->averageLevel = above == 0.0f ? release : std::nextafter(release, 1.0f);
        t->hitActive = t->learnedThisHit = 1;
        processSilence<float>(*t, 1);
        EXPECT_EQ(t->hitActive, above == 0.0f ? 0 : 1);
        EXPECT_EQ(t->learnedThisHit, above == 0.0f ? 0 : 1);
    }
}

TEST(Thresholds, DrumSelectRanges) {
    const std::pair<float, int32_t> ranges[] = {{-1.0f, 0}, {0.25f, 0}, {0.26f, 1}, {0.5f, 1},
                                                {0.51f, 2}, {0.75f, 2}, {1.0f, 3}};
    for (auto [select, index] : ranges) EXPECT_EQ(engine::drumSelectIndexFor(select, 2), index) << select;
    EXPECT_EQ(engine::drumSelectIndexFor(1.5f, 2), 2);  // unchanged
    EXPECT_EQ(engine::drumSelectIndexFor(NAN, 1), 1);
}

TEST(Rings, IndicesWrapAndKeepTheirDistance) {
    auto t = newTamboro();
    EXPECT_EQ(t->readIndex, 50);
    for (int n = 1; n <= 250; n++) {
        processSilence<float>(*t, 1);
        ASSERT_EQ(t->writeIndex, n % 100);
        ASSERT_EQ(t->readIndex, (n + 50) % 100);
        ASSERT_EQ(t->levelIndex, n % 20);
    }
}

TEST(MidiOutput, NoteAndVelocityAreMaskedToSevenBits) {
    auto t = newTamboro(keepEvents);
    t->eventDeltaFrames = 17;
    t->sendNoteOn(164, 130);
    t->sendNoteOff(42, 128);
    ASSERT_EQ(receivedEvents().size(), 2u);
    const VstMidiEvent& on = receivedEvents()[0];
    EXPECT_EQ((uint8_t)on.midiData[0], 0x99);
    EXPECT_EQ(on.midiData[1], 36);
    EXPECT_EQ(on.midiData[2], 2);
    EXPECT_EQ(on.deltaFrames, 17);
    const VstMidiEvent& off = receivedEvents()[1];
    EXPECT_EQ((uint8_t)off.midiData[0], 0x89);
    EXPECT_EQ(off.midiData[1], 0x2A);
    EXPECT_EQ(off.midiData[2], 0);
}

}  // namespace
