// Learning from example hits as recorded ones are: a long decay whose wiggles
// cross the thresholds again, a later sound in the same file, an example far
// quieter than the recording, and one with no hit at all.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <sstream>

#include "cli_test_support.h"
#include "host/cli/demo.h"
#include "tools/demo_pattern.h"

namespace {

using namespace cli_test;

constexpr int kRate = demo::kSampleRate;

bool says(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::vector<float> readStereo(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path;
    std::vector<float> frames((size_t)(info.frames * info.channels));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    if (info.channels == 2) return frames;
    std::vector<float> stereo;
    for (float v : frames) stereo.insert(stereo.end(), {v, v});
    return stereo;
}

// A low sine with a long decay, as a recorded kick drum: the detector's level
// dips to the release level in every half cycle, so one hit fires many times.
void writeDecayingKick(const std::string& path, float gain = 0.9f) {
    constexpr double kFrequency = 55.0, kDecaySeconds = 0.3, kSeconds = 1.5;
    writeAudio(path, (int64_t)(kSeconds * kRate), 2, kRate, [gain](int64_t i, int) {
        double t = (double)i / kRate;
        return (float)(gain * std::exp(-t / kDecaySeconds) * std::sin(2 * M_PI * kFrequency * t));
    });
}

std::vector<std::string> demoThresholds() {
    return {"--high", std::to_string(demo::kHighThreshold), "--low", std::to_string(demo::kLowThreshold)};
}

TEST(Learning, AnExampleTeachesItsFirstHitNotALaterOne) {
    ScratchFolder scratch;
    std::string folder = demoFolder();
    // The kick example goes on with a hi-hat after the kick has died away:
    // a template from anything but the first hit would take kicks for hi-hats.
    std::vector<float> kick = readStereo(folder + "/kick.flac"), hihat = readStereo(folder + "/hihat.flac");
    size_t gap = (size_t)kRate;
    std::vector<float> both(kick.size() + 2 * gap + hihat.size(), 0.0f);
    std::copy(kick.begin(), kick.end(), both.begin());
    std::copy(hihat.begin(), hihat.end(), both.begin() + (long)(kick.size() + 2 * gap));
    writeAudio(scratch.path("kick.wav"), (int64_t)both.size() / 2, 2, kRate,
               [&](int64_t i, int c) { return both[(size_t)(2 * i + c)]; });
    std::vector<std::string> args = {"convert", "--engine", "plugin", folder + "/loop.flac", "-o", scratch.path("loop.mid"), "--csv",
                                     "--learn", "kick=" + scratch.path("kick.wav"), "--learn",
                                     "snare=" + folder + "/snare.flac", "--learn", "hihat=" + folder + "/hihat.flac"};
    for (const std::string& word : demoThresholds()) args.push_back(word);
    CommandResult r = runTamboro(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(scoreSynthDemo(readCsvNotes(r.out)).right, demo::kNumHits) << r.out;
}

TEST(Learning, ADecayingKickIsLearnedOnceWithoutComplaint) {
    ScratchFolder scratch;
    writeDecayingKick(scratch.path("kick.wav"));
    // Converted, the same kick fires again and again in its decay...
    CommandResult plain = runTamboro({"convert", "--engine", "plugin", scratch.path("kick.wav"), "--csv", "-o", scratch.path("a.mid")});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    ASSERT_GT(readCsvNotes(plain.out).size(), 5u) << plain.out;
    // ...but as an example it teaches its first hit only, and says where that was.
    CommandResult taught = runTamboro({"convert", "--engine", "plugin", scratch.path("kick.wav"), "-v", "-o", scratch.path("b.mid"),
                                       "--learn", "kick=" + scratch.path("kick.wav")});
    ASSERT_EQ(taught.exitCode, 0) << taught.err;
    EXPECT_EQ(taught.err, "");
    EXPECT_TRUE(says(taught.out, "learned the kick from its first hit, at 0.00")) << taught.out;
}

TEST(Learning, AQuietExampleGetsThresholdsOfItsOwn) {
    ScratchFolder scratch;
    writeDecayingKick(scratch.path("loud.wav"));
    writeDecayingKick(scratch.path("quiet.wav"), 0.002f);
    std::vector<std::string> args = {"convert", "--engine", "plugin", scratch.path("loud.wav"), "-v", "-o", scratch.path("a.mid"),
                                     "--learn", "kick=" + scratch.path("quiet.wav")};
    CommandResult r = runTamboro(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(says(r.out, "learned the kick from its first hit")) << r.out;
    EXPECT_TRUE(says(r.err, "give a louder example, or set --learn-high kick=DB")) << r.err;
    // Given per example, the thresholds are used as they are.
    args.insert(args.end(), {"--learn-high", "kick=-70dB", "--learn-low", "-100dB", "--force"});
    CommandResult given = runTamboro(args);
    EXPECT_TRUE(says(given.out, "High Threshold 0.000316 (-70.000 dB), Low Threshold")) << given.out;
    EXPECT_FALSE(says(given.err, "louder")) << given.err;
}

TEST(Learning, AnExampleWithoutAHitSaysWhatToDo) {
    ScratchFolder scratch;
    writeDecayingKick(scratch.path("in.wav"));
    writeAudio(scratch.path("silence.wav"), kRate, 2, kRate, [](int64_t, int) { return 0.0f; });
    CommandResult r = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--learn", "snare=" + scratch.path("silence.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(says(r.err, "the snare template stays empty; give a louder example")) << r.err;
}

}  // namespace
