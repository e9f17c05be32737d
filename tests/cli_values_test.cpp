// Thresholds in values and decibels, the auto rule, and the option words.
#include <gtest/gtest.h>

#include <cmath>

#include "host/cli/auto_thresholds.h"
#include "host/cli/failure.h"
#include "host/cli/option_values.h"
#include "host/cli/thresholds.h"

namespace {

using namespace cli;

TEST(Thresholds, DecibelsAreTheEditorsReadOuts) {
    EXPECT_EQ(describeHigh(0.5f), "0.500000 (-6.021 dB)");
    EXPECT_EQ(describeLow(0.5f), "0.500000 (-26.021 dB)");
    EXPECT_EQ(describeHigh(1.0f), "1.000000 (0.000 dB)");
    EXPECT_EQ(describeLow(1.0f), "1.000000 (-20.000 dB)");
    EXPECT_EQ(describeLow(0.75f), "0.750000 (-22.499 dB)");
}

TEST(Thresholds, ParseValuesAndDecibels) {
    EXPECT_FLOAT_EQ(parseHighThreshold("0.25", "--high"), 0.25f);
    EXPECT_NEAR(parseHighThreshold("-12.041dB", "--high"), 0.25f, 1e-4);
    EXPECT_NEAR(parseHighThreshold("-6.021 DB", "--high"), 0.5f, 1e-4);
    EXPECT_NEAR(parseLowThreshold("-26.021dB", "--low"), 0.5f, 1e-4);
    EXPECT_FLOAT_EQ(parseLowThreshold("-20dB", "--low"), 1.0f);
    EXPECT_FLOAT_EQ(parseLowThreshold("-20.000 dB", "--low"), 1.0f);
}

TEST(Thresholds, RefuseWhatNoSliderCanShow) {
    for (const char* bad : {"", "abc", "1.5", "-0.1", "3dB", "dB", "0.5x", "nan", "-inf dB"}) {
        EXPECT_THROW(parseHighThreshold(bad, "--high"), Failure) << bad;
    }
    EXPECT_THROW(parseLowThreshold("-19dB", "--low"), Failure);
    try {
        parseHighThreshold("2", "--high");
    } catch (const Failure& f) {
        EXPECT_NE(std::string(f.what()).find("--high"), std::string::npos);
    }
}

TEST(Thresholds, ReleaseLevelFollowsTheRatio) {
    EXPECT_FLOAT_EQ(releaseLevel({0.5f, 1.0f}, 0), 0.1f);
    EXPECT_NEAR(releaseLevel({0.5f, 1.0f}, 19), 0.5 / 19, 1e-7);
    EXPECT_NEAR(lowForRatio(0.5f, 19), 0.263158, 1e-6);
}

TEST(AutoThresholds, PutHighBetweenFloorAndPeakAndReleaseBelowIt) {
    LevelHistogram levels;
    for (int i = 0; i < 9000; i++) levels.add(0.001);  // quiet: -60 dB
    for (int i = 0; i < 1000; i++) levels.add(1.0);    // hits: 0 dB
    AutoThresholds chosen = chooseThresholds(levels, 0);
    EXPECT_TRUE(chosen.warning.empty());
    // Median and floor -60 dB, peak 0 dB: high at 60% of the way up, release 6 dB over the floor.
    EXPECT_NEAR(highToDb(chosen.values.high), -24.0, 0.2);
    EXPECT_NEAR(lowToDb(chosen.values.low), -54.0, 0.2);
}

TEST(AutoThresholds, KeepReleaseUnderHighAndIgnoreDigitalSilence) {
    LevelHistogram dense;  // ringing fills the gaps: the median is high
    for (int i = 0; i < 500; i++) dense.add(0.0);
    for (int i = 0; i < 9000; i++) dense.add(0.01);  // -40 dB
    for (int i = 0; i < 500; i++) dense.add(1.0);
    AutoThresholds chosen = chooseThresholds(dense, 0);
    EXPECT_NEAR(highToDb(chosen.values.high), -16.0, 0.2);
    EXPECT_NEAR(lowToDb(chosen.values.low), -34.0, 0.2);  // the floor is the median here
    LevelHistogram sparse;  // clicks in digital silence
    for (int i = 0; i < 9900; i++) sparse.add(0.0);
    for (int i = 0; i < 100; i++) sparse.add(0.1);
    AutoThresholds clicks = chooseThresholds(sparse, 0);
    EXPECT_NEAR(highToDb(clicks.values.high), -20.0 - 0.4 * 80, 0.2);
    EXPECT_NEAR(lowToDb(clicks.values.low), -20.0 - 80 + 6, 0.2);
}

TEST(AutoThresholds, StayWithinTheSliders) {
    LevelHistogram levels;
    for (int i = 0; i < 100; i++) levels.add(0.5);
    for (int i = 0; i < 100; i++) levels.add(100.0);
    AutoThresholds chosen = chooseThresholds(levels, 0);
    EXPECT_LE(chosen.values.high, 1.0f);
    EXPECT_LE(chosen.values.low, 1.0f);
    AutoThresholds withRatio = chooseThresholds(levels, 39);
    EXPECT_FLOAT_EQ(withRatio.values.low, lowForRatio(withRatio.values.high, 39));
}

TEST(AutoThresholds, WarnOnSilenceAndOnSteadyNoise) {
    LevelHistogram silent;
    silent.add(0.0);
    silent.add(1e-24);  // what the band filters give for digital silence
    AutoThresholds none = chooseThresholds(silent, 0);
    EXPECT_FALSE(none.warning.empty());
    EXPECT_EQ(none.values.high, 1.0f);  // the plug-in's defaults, not a threshold of -480 dB
    EXPECT_EQ(none.values.low, 1.0f);
    LevelHistogram steady;
    for (int i = 0; i < 1000; i++) steady.add(0.1 + 0.01 * (i % 3));
    EXPECT_FALSE(chooseThresholds(steady, 0).warning.empty());
}

TEST(OptionValues, RatioDrumPrecisionLearnPlotSize) {
    EXPECT_EQ(parseRatio("off"), 0);
    EXPECT_EQ(parseRatio("79"), 79);
    EXPECT_EQ(parseRatio("119:1"), 119);
    EXPECT_THROW(parseRatio("20"), Failure);
    EXPECT_FALSE(parseDrum("dynamic"));
    EXPECT_EQ(parseDrum("hihat"), 2);
    EXPECT_THROW(parseDrum("cowbell"), Failure);
    EXPECT_EQ(parsePrecision(64), Precision::Double);
    EXPECT_THROW(parsePrecision(16), Failure);
    auto files = parseLearnFiles({"snare=s.wav", "kick=k=1.wav"});
    EXPECT_EQ(files[0], "k=1.wav");
    EXPECT_EQ(files[1], "s.wav");
    EXPECT_TRUE(files[2].empty());
    EXPECT_THROW(parseLearnFiles({"kick=a.wav", "kick=b.wav"}), Failure);
    EXPECT_THROW(parseLearnFiles({"tom=a.wav"}), Failure);
    EXPECT_THROW(parseLearnFiles({"kick="}), Failure);
    EXPECT_EQ(parsePlotSize("800x300").width, 800);
    EXPECT_EQ(parsePlotSize("800x300").height, 300);
    EXPECT_THROW(parsePlotSize("800"), Failure);
    EXPECT_THROW(parsePlotSize("10x10"), Failure);
}

}  // namespace
