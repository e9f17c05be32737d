// The built library against the reference model, sample for sample and event
// for event, on long seeded signals, random block splits and a user (and a
// host) changing things between blocks.
#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>

#include "reference_lockstep.h"
#include "shell/plugin_info.h"

namespace {

using namespace plugin_info;
using reference::BlockSizes;
using reference::Lockstep;
using reference::Path;
using reference::SentEvent;
using reference::Stereo;

constexpr double kRate = 44100.0;
constexpr float kKick = 1.0f / 3.0f;
constexpr float kSnare = 2.0f / 3.0f;
constexpr float kHiHat = 1.0f;

class Dice {
public:
    explicit Dice(uint32_t seed) : rng(seed) {}
    bool chance(double p) { return std::bernoulli_distribution(p)(rng); }
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    template <typename T>
    T pick(std::initializer_list<T> values) {
        std::uniform_int_distribution<size_t> at(0, values.size() - 1);
        return values.begin()[at(rng)];
    }

private:
    std::mt19937 rng;
};

// A user at the controls: thresholds, ratio, drum, function and template
// slot change now and then between blocks. Without templates "Drum Select"
// stays on the fixed drums.
class User {
public:
    User(uint32_t seed, bool templates, double pace = 1.0)
        : dice(seed), templates(templates), pace(pace) {}
    void operator()(Lockstep& pair) {
        if (dice.chance(0.08 * pace)) pair.setParameter(kHighThreshold, dice.uniform(0.03f, 0.8f));
        if (dice.chance(0.05 * pace)) pair.setParameter(kLowThreshold, dice.uniform(0.0f, 1.5f));
        if (dice.chance(0.03 * pace))
            pair.setParameter(kRatioSelect, dice.pick({0.0f, 0.25f, 0.5f, 0.75f, 1.0f}));
        if (dice.chance(0.05 * pace))
            pair.setParameter(kDrumSelect,
                              templates ? dice.pick({0.0f, 0.0f, 0.0f, 0.25f, -0.5f, kKick, kSnare, kHiHat, 0.26f, 1.5f})
                                        : dice.pick({kKick, kSnare, kHiHat, 0.26f, 0.5f, 0.75f, 1.5f}));
        // Mostly detecting, with spells of template mode.
        if (dice.chance(detecting ? 0.03 * pace : 0.2)) {
            const float function = detecting ? dice.pick({0.0f, 0.5f}) : dice.pick({1.0f, 0.51f});
            pair.setParameter(kFunction, function);
            detecting = function > 0.5f;
        }
        if (dice.chance(0.04 * pace))
            pair.setParameter(kTemplateInst, dice.pick({0.0f, 0.5f, 1.0f, 0.3f}));
    }

private:
    Dice dice;
    bool templates;
    double pace;
    bool detecting = true;
};

// A host whose sample rate, tempo and time information change between blocks,
// including the answers that count as "no tempo".
class MovingHost {
public:
    explicit MovingHost(uint32_t seed) : dice(seed) {}
    void operator()(Lockstep& pair) {
        if (dice.chance(0.02)) {
            host::HostSettings s;
            s.sampleRate = dice.pick({44100.0, 48000.0, 96000.0, 22050.0, 0.0});
            s.tempo = dice.pick({120.0, 100.0, 90.5, 300.0, 60.0, 1e5, 1e-9, 0.0, -60.0,
                                 std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::infinity()});
            s.tempoValid = dice.chance(0.8);
            s.timeInfoAvailable = dice.chance(0.9);
            pair.setHost(s);
        }
        if (dice.chance(0.005)) pair.setSampleRate(dice.pick({32000.0f, 88200.0f}));
    }

private:
    Dice dice;
};

void startDetecting(Lockstep& pair, float drum) {
    pair.setParameter(kDrumSelect, drum);
    pair.setParameter(kFunction, 1.0f);
    pair.setParameter(kHighThreshold, 0.3f);
}

TEST(ReferenceComparison, NoiseWithChangingThresholdsInRandomBlocks) {
    Lockstep pair;
    startDetecting(pair, kSnare);
    BlockSizes sizes(11);
    User user(12, false);
    ASSERT_TRUE(pair.run(reference::noiseSegments(13, 4 * 44100), sizes,
                         [] { return Path::Single; }, [&](Lockstep& p) { user(p); }));
    EXPECT_GT(pair.noteOns(), 50u);
}

TEST(ReferenceComparison, DrumsWhileTheHostChangesRateAndTempo) {
    Lockstep pair;
    startDetecting(pair, kKick);
    BlockSizes sizes(21, 1500);
    User user(22, false, 0.5);
    MovingHost moving(23);
    ASSERT_TRUE(pair.run(reference::drumPattern(24, 5 * 44100, kRate), sizes,
                         [] { return Path::Single; },
                         [&](Lockstep& p) {
                             user(p);
                             moving(p);
                         }));
    EXPECT_GT(pair.noteOns(), 30u);
    EXPECT_GT(pair.noteOffs(), 5u);
}

TEST(ReferenceComparison, EdgeInputsThenNormalAudio) {
    Lockstep pair;
    startDetecting(pair, kHiHat);
    BlockSizes sizes(31, 700);
    User user(32, false, 0.3);
    ASSERT_TRUE(pair.run(reference::edgeInputs(33), sizes, [] { return Path::Single; },
                         [&](Lockstep& p) { user(p); }));
    EXPECT_GT(pair.noteOns(), 5u);
}

// Fast hits at a slow tempo overlap their notes; the drum changes between
// them, and "Function" flips to template mode and back in the middle of hits.
TEST(ReferenceComparison, OverlappingNotesAndModeSwitches) {
    host::HostSettings slow;
    slow.tempo = 40.0;
    Lockstep pair(slow);
    startDetecting(pair, kKick);
    pair.setParameter(kHighThreshold, 0.15f);
    BlockSizes sizes(41, 400);
    Dice dice(42);
    ASSERT_TRUE(pair.run(reference::drumPattern(43, 5 * 44100, kRate), sizes,
                         [] { return Path::Single; },
                         [&](Lockstep& p) {
                             if (dice.chance(0.2))
                                 p.setParameter(kDrumSelect, dice.pick({kKick, kSnare, kHiHat}));
                             if (dice.chance(0.05))
                                 p.setParameter(kFunction, dice.pick({1.0f, 1.0f, 0.0f, 0.5f}));
                         }));
    EXPECT_GT(pair.noteOns(), 30u);
}

TEST(ReferenceComparison, ParameterCouplingAndReadBack) {
    Lockstep pair;
    const Stereo signal = reference::drumPattern(51, 4000, kRate);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        int32_t index;
        float value;
    } writes[] = {
        {kLowThreshold, 0.3f},  {kRatioSelect, 0.25f}, {kLowThreshold, 0.9f},
        {kHighThreshold, 0.5f}, {kLowThreshold, 0.2f}, {kRatioSelect, 0.5f},
        {kRatioDivide, 3.0f},   {kLowThreshold, 0.1f}, {kRatioSelect, 0.0f},
        {kLowThreshold, 0.4f},  {kRatioSelect, 0.1f},  {kLowThreshold, 0.7f},
        {kHighThreshold, 0.2f}, {kRatioSelect, nan},   {kLowThreshold, 0.6f},
        {kRatioSelect, -0.0f},  {kRatioSelect, 0.3f},  {kLowThreshold, 0.8f},
        {kRatioSelect, 1.0f},   {7, 0.5f},             {-1, 0.5f},
        {kRatioSelect, 0.0f},   {kRatioDivide, 0.0f},  {kHighThreshold, 0.0f},
        {kRatioSelect, 0.75f},  {kRatioDivide, 0.0f},  {kLowThreshold, 0.5f},
        {kRatioSelect, 0.0f},   {kHighThreshold, 2.0f}, {kLowThreshold, -1.0f},
    };
    size_t at = 0;
    for (const auto& w : writes) {
        pair.setParameter(w.index, w.value);
        ASSERT_TRUE(pair.compareParameters()) << "after writing " << w.value << " to " << w.index;
        // Before and after the processing rewrites "Low Threshold".
        ASSERT_TRUE(pair.block(signal, at, 1, Path::Single));
        ASSERT_TRUE(pair.block(signal, at + 1, 100, Path::Single));
        at += 101;
    }
}

// With "High Threshold" 0 every other sample is an onset. Huge inputs reach
// the velocity's ring sums at once but the filters only 50 samples later, so
// the onsets in between measure infinite (velocity 127) or not-a-number
// (velocity 0) means. The tempo makes the note-off countdown overflow, and
// the drum alternates so that every note-on ends the note before it.
TEST(ReferenceComparison, VelocityAndNoteLengthAtTheirLimits) {
    const double floatMax = 3.0e38, doubleMax = 1.7e308;
    const struct {
        Path path;
        double left, right;
        int32_t velocity;
    } cases[] = {
        {Path::Single, floatMax, floatMax, 127}, {Path::Single, -floatMax, floatMax, 0},
        {Path::Double, 1e300, 1e300, 127},       {Path::Double, -doubleMax, doubleMax, 0},
    };
    for (const auto& c : cases) {
        host::HostSettings glacial;
        glacial.tempo = 1e-9;
        Lockstep pair(glacial);
        startDetecting(pair, kKick);
        pair.setParameter(kHighThreshold, 0.0f);
        Stereo signal;
        signal.appendConstant(0.001, -0.002, 300);
        signal.appendConstant(c.left, c.right, 40);
        for (size_t at = 0; at < signal.size(); at++) {
            pair.setParameter(kDrumSelect, at % 4 < 2 ? kKick : kSnare);
            ASSERT_TRUE(pair.block(signal, at, 1, c.path)) << c.left << " " << c.right;
        }
        const SentEvent& last = pair.model().events().back();
        EXPECT_EQ((uint8_t)last.event.midiData[2], c.velocity);
        EXPECT_GT(pair.noteOffs(), 50u);
    }
}

TEST(ReferenceComparison, LearningPassesThenDynamicDetection) {
    Lockstep pair;
    pair.setParameter(kHighThreshold, 0.25f);
    BlockSizes sizes(61, 1000);
    Dice dice(62);
    // Phases of a second: teach one slot (or the 0.3 that keeps the slot),
    // then detect on "Dynamic" or with a drum chosen by a near-boundary value.
    int64_t nextPhase = 0;
    ASSERT_TRUE(pair.run(reference::drumPattern(63, 12 * 44100, kRate), sizes,
                         [] { return Path::Single; },
                         [&](Lockstep& p) {
                             if (p.position() < nextPhase) {
                                 if (dice.chance(0.01)) p.setParameter(kFunction, dice.pick({0.0f, 1.0f}));
                                 return;
                             }
                             nextPhase = p.position() + 30000;
                             if (dice.chance(0.45)) {
                                 p.setParameter(kFunction, dice.pick({0.0f, 0.5f}));
                                 p.setParameter(kTemplateInst, dice.pick({0.0f, 0.5f, 1.0f, 0.3f}));
                             } else {
                                 p.setParameter(kFunction, dice.pick({1.0f, 0.51f}));
                                 p.setParameter(kDrumSelect, dice.pick({0.0f, 0.0f, 0.25f, -1.0f, 0.26f}));
                             }
                             p.setParameter(kHighThreshold, dice.uniform(0.1f, 0.6f));
                         }));
    EXPECT_GT(pair.noteOns(), 40u);
}

TEST(ReferenceComparison, TemplatesOnNoiseWithEverythingChanging) {
    Lockstep pair;
    startDetecting(pair, 0.0f);
    BlockSizes sizes(71);
    User user(72, true, 1.5);
    MovingHost moving(73);
    ASSERT_TRUE(pair.run(reference::noiseSegments(74, 6 * 44100), sizes,
                         [] { return Path::Single; },
                         [&](Lockstep& p) {
                             user(p);
                             moving(p);
                         }));
    EXPECT_GT(pair.noteOns(), 20u);
}

TEST(ReferenceComparison, DoublePathOnDrumsAndNoise) {
    Lockstep pair;
    startDetecting(pair, kSnare);
    BlockSizes sizes(81);
    User user(82, false);
    MovingHost moving(83);
    Stereo signal = reference::drumPattern(84, 3 * 44100, kRate);
    signal.append(reference::noiseSegments(85, 2 * 44100));
    ASSERT_TRUE(pair.run(signal, sizes, [] { return Path::Double; },
                         [&](Lockstep& p) {
                             user(p);
                             moving(p);
                         }));
    EXPECT_GT(pair.noteOns(), 10u);
}

TEST(ReferenceComparison, DoublePathOnSamplesThatAreFloats) {
    Lockstep pair;
    startDetecting(pair, kHiHat);
    BlockSizes sizes(91);
    ASSERT_TRUE(pair.run(reference::roundedToFloat(reference::drumPattern(92, 3 * 44100, kRate)),
                         sizes, Path::Double));
    EXPECT_GT(pair.noteOns(), 10u);
}

TEST(ReferenceComparison, DoublePathEdgeInputs) {
    Lockstep pair;
    startDetecting(pair, kKick);
    Stereo signal = reference::edgeInputs(101);
    // Finite doubles beyond the float range, and doubles below its subnormals.
    signal.appendConstant(1e300, -1e300, 150);
    signal.append(reference::drumPattern(102, 10000, kRate));
    signal.appendConstant(1e-310, -4e-320, 2000);
    signal.append(reference::drumPattern(103, 10000, kRate));
    BlockSizes sizes(104, 700);
    User user(105, false, 0.3);
    ASSERT_TRUE(pair.run(signal, sizes, [] { return Path::Double; },
                         [&](Lockstep& p) { user(p); }));
    EXPECT_GT(pair.noteOns(), 10u);
}

TEST(ReferenceComparison, SwitchingPathsMidStreamWithFixedDrums) {
    Lockstep pair;
    startDetecting(pair, kSnare);
    BlockSizes sizes(111, 2000);
    Dice dice(112);
    User user(113, false);
    ASSERT_TRUE(pair.run(reference::drumPattern(114, 5 * 44100, kRate), sizes,
                         [&] { return dice.chance(0.5) ? Path::Double : Path::Single; },
                         [&](Lockstep& p) { user(p); }));
    EXPECT_GT(pair.noteOns(), 15u);
}

TEST(ReferenceComparison, SwitchingPathsMidStreamWithTemplates) {
    Lockstep pair;
    startDetecting(pair, 0.0f);
    BlockSizes sizes(121, 2000);
    Dice dice(122);
    User user(123, true, 1.5);
    MovingHost moving(124);
    Stereo signal = reference::drumPattern(125, 6 * 44100, kRate);
    signal.append(reference::noiseSegments(126, 44100));
    ASSERT_TRUE(pair.run(signal, sizes,
                         [&] { return dice.chance(0.5) ? Path::Double : Path::Single; },
                         [&](Lockstep& p) {
                             user(p);
                             moving(p);
                         }));
    EXPECT_GT(pair.noteOns(), 30u);
}

}  // namespace
