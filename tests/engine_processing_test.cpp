// The processing loop seen from the host: the band-filtered, delayed output,
// its exact values, block-size independence and the per-call host requests.
#include <cmath>

#include "white_noise.h"
#include "tools/drum_synth.h"
#include "engine_test_support.h"

namespace {

using namespace enginetest;

constexpr int64_t kDelay = 50;
// The filters' response to silence is far below this; an impulse is far above.
constexpr float kSilenceCeiling = 1e-15f;

// First output sample carrying more than the filters' response to silence.
int64_t firstAudible(const std::vector<float>& out) {
    for (size_t i = 0; i < out.size(); i++)
        if (std::fabs(out[i]) > kSilenceCeiling) return (int64_t)i;
    return -1;
}

TEST_F(PluginTest, ImpulseReachesOutputFiftySamplesLate) {
    Stereo in(200);
    in.left[0] = 1.0f;
    Stereo out = run(*plugin, in);
    for (int64_t i = 0; i < kDelay; i++) {
        EXPECT_GT(out.left[i], 0.0f) << i;
        EXPECT_LT(out.left[i], kSilenceCeiling) << i;
        EXPECT_TRUE(std::isnormal(out.left[i])) << i;
    }
    EXPECT_EQ(firstAudible(out.left), kDelay);
    EXPECT_EQ(firstAudible(out.right), -1);  // the channels do not mix
}

TEST(Processing, DelayHoldsAcrossTheRingWrap) {
    for (int64_t at : {49, 50, 99, 100, 149, 199, 250}) {
        auto plugin = newInstance();
        Stereo in(400);
        in.right[at] = 0.5f;
        EXPECT_EQ(firstAudible(run(*plugin, in, 64).right), at + kDelay) << "impulse at " << at;
    }
}

TEST(Processing, SilenceNeverTurnsSubnormal) {
    auto plugin = newInstance();
    Stereo out = run(*plugin, Stereo(200000));
    for (int64_t i = 0; i < out.frames(); i += 997) {
        EXPECT_TRUE(std::isnormal(out.left[i]) && out.left[i] > 0.0f) << i;
        EXPECT_TRUE(std::isnormal(out.right[i]) && out.right[i] > 0.0f) << i;
    }
}

TEST_F(PluginTest, IdenticalChannelsGiveIdenticalOutputs) {
    std::vector<float> drums = drums::render(drums::groove(20000, 3000), 20000);
    Stereo out = run(*plugin, Stereo(drums, drums));
    EXPECT_TRUE(sameBits(out.left, out.right));
}

uint64_t fnv1a(const Stereo& out) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int64_t i = 0; i < out.frames(); i++)
        for (float v : {out.left[i], out.right[i]})
            for (int byte = 0; byte < 4; byte++) {
                hash ^= (bitsOf(v) >> (8 * byte)) & 0xFF;
                hash *= 0x100000001b3ull;
            }
    return hash;
}

// The expected values come from an independent model of the filters (Python,
// every rounding written out). Summing the bands in float instead of rounding
// the double sum once changes 1216 of the 4096 output samples.
TEST_F(PluginTest, OutputsEqualAnIndependentModelBitForBit) {
    constexpr int kFrames = 2048;
    testsignal::WhiteNoise noise;
    Stereo in(kFrames);
    for (int i = 0; i < kFrames; i++) {
        in.left[i] = noise.next();
        in.right[i] = i % 3 ? (float)(in.left[i] * 0.5) : -in.left[i];
    }
    Stereo out = run(*plugin, in, 100);
    EXPECT_EQ(bitsOf(out.left[50]), 0x3d046c1bu);
    EXPECT_EQ(bitsOf(out.right[50]), 0xbd046c1bu);
    EXPECT_EQ(bitsOf(out.left[2047]), 0xbec8ee24u);
    EXPECT_EQ(bitsOf(out.right[2047]), 0x3e341010u);
    EXPECT_EQ(fnv1a(out), 0x43f081fbbeb7d465ull);
}

// One call of 4096 samples, or calls of 1, 7 and 512: the same outputs and
// the same notes at the same sample positions.
TEST(Processing, BlockSizeChangesNothing) {
    constexpr int64_t kFrames = 16384;
    std::vector<float> drums = drums::render(drums::groove(kFrames, 2500, 10), kFrames);
    Stereo in(drums, drums);
    auto reference = [&](int32_t blockSize, Stereo& out) {
        auto plugin = newInstance();
        plugin->setParameter(kFunction, kDetectionMode);
        plugin->setParameter(kDrumSelect, kSnare);
        plugin->setParameter(kHighThreshold, 0.3f);
        plugin->setParameter(kLowThreshold, 2.0f);
        plugin->settings.tempo = 2000.0;  // short notes: note-offs inside the signal too
        out = run(*plugin, in, blockSize);
        return notesOf(*plugin);
    };
    Stereo whole, split;
    std::vector<Note> wholeNotes = reference((int32_t)kFrames, whole);
    ASSERT_GE(wholeNotes.size(), 6u);
    for (int32_t blockSize : {1, 7, 512}) {
        std::vector<Note> splitNotes = reference(blockSize, split);
        EXPECT_TRUE(sameBits(whole.left, split.left)) << blockSize;
        EXPECT_TRUE(sameBits(whole.right, split.right)) << blockSize;
        EXPECT_EQ(wholeNotes, splitNotes) << blockSize;
    }
}

TEST_F(PluginTest, EmptyCallAsksTheHostButChangesNothing) {
    float sentinel = 7.0f;
    float* inputs[2] = {&sentinel, &sentinel};
    float* outputs[2] = {&sentinel, &sentinel};
    plugin->process(inputs, outputs, 0);
    plugin->process(inputs, outputs, -5);
    EXPECT_EQ(plugin->countCalls(audioMasterGetSampleRate), 2u);
    EXPECT_EQ(plugin->countCalls(audioMasterGetTime), 2u);
    EXPECT_EQ(sentinel, 7.0f);

    std::vector<float> drums = drums::render(drums::groove(3000, 700), 3000);
    auto fresh = newInstance();
    EXPECT_TRUE(sameBits(run(*plugin, Stereo(drums, drums)).left,
                         run(*fresh, Stereo(drums, drums)).left));
}

TEST_F(PluginTest, HostIsAskedOncePerCall) {
    hold(*plugin, 5 * kBlock);
    EXPECT_EQ(plugin->countCalls(audioMasterGetSampleRate), 5u);
    EXPECT_EQ(plugin->countCalls(audioMasterGetTime), 5u);
    for (const host::CallbackRecord& call : plugin->calls())
        if (call.opcode == audioMasterGetTime) {
            EXPECT_EQ(call.value, kVstPpqPosValid | kVstTempoValid);
        }
}

// NaN and infinite input samples act as silence; before this, one of them
// left every filter and the velocity means non-finite for good.
TEST(Processing, NonFiniteInputIsTakenAsSilence) {
    constexpr int64_t kFrames = 3000;
    std::vector<float> drums = drums::render(drums::groove(kFrames, 900), kFrames);
    Stereo clean(drums, drums), poisoned = clean;
    for (int64_t at : {100, 101, 1200, 2500}) {
        clean.left[at] = clean.right[at] = 0.0f;
        poisoned.left[at] = NAN;
        poisoned.right[at] = at % 2 ? INFINITY : -INFINITY;
    }
    for (Path path : kBothPaths) {
        auto a = newInstance(), b = newInstance();
        Stereo outClean = run(*a, clean, kBlock, path), outPoisoned = run(*b, poisoned, kBlock, path);
        EXPECT_TRUE(sameBits(outClean.left, outPoisoned.left));
        EXPECT_TRUE(sameBits(outClean.right, outPoisoned.right));
        for (float v : outPoisoned.left) ASSERT_TRUE(std::isfinite(v));
    }
}

// A finite input huge enough to overflow the filters: an overflowing filter
// forgets its history instead of feeding infinity back for good.
TEST(Processing, OverflowingFilterRecovers) {
    constexpr int64_t kFrames = 60000;
    Stereo loud(kFrames);
    for (int64_t i = 0; i < 2000; i++) loud.left[i] = (float)(3e38 * std::sin(i * 0.0912));
    auto plugin = newInstance();
    Stereo out = run(*plugin, loud);
    for (int64_t i = kFrames - 100; i < kFrames; i++) ASSERT_TRUE(std::isfinite(out.left[i])) << i;
}

}  // namespace
