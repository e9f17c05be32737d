// What the notes in the files are: exact timing for any block size and
// precision, the same files from a batch as from single runs, drums learned
// through template mode, and auto thresholds that find the demo's hits.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <filesystem>
#include <sstream>

#include "cli_test_support.h"
#include "host/cli/demo.h"
#include "host/plugin_host.h"
#include "shell/plugin_info.h"
#include "tools/demo_pattern.h"

namespace {

using namespace cli_test;

constexpr int64_t kReportedDelay = 100;
const std::vector<int64_t> kClicks = {3000, 14000, 30001, 52345};
constexpr int64_t kClickFrames = 70000;
const char* const kHigh = "0.05";
const char* const kLow = "0.1";

// Note-ons of --csv output: sample and note of each row.
std::vector<std::pair<int64_t, int>> csvNotes(const std::string& csv) {
    std::vector<std::pair<int64_t, int>> notes;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string file, time, sample, note;
        std::getline(fields, file, ',');
        std::getline(fields, time, ',');
        std::getline(fields, sample, ',');
        std::getline(fields, note, ',');
        notes.push_back({std::stoll(sample), std::stoi(note)});
    }
    return notes;
}

// The samples during which the plug-in sends its note-ons, driven directly
// one sample per call: the reference the command must reproduce.
std::vector<int64_t> noteOnSamplesSampleBySample(const std::string& wav) {
    std::string error;
    auto library = host::PluginLibrary::open(TAMBORO_PLUGIN_PATH, error);
    auto plugin = host::Instance::create(*library, error);
    plugin->setParameter(plugin_info::kHighThreshold, std::stof(kHigh));
    plugin->setParameter(plugin_info::kLowThreshold, std::stof(kLow));
    plugin->setParameter(plugin_info::kDrumSelect, 1.0f);
    plugin->setParameter(plugin_info::kFunction, 1.0f);
    // The clicks are the same on both channels; the host plays on past the end.
    std::vector<float> left(kClickFrames + kReportedDelay, 0.0f);
    SF_INFO info{};
    SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
    std::vector<float> frames((size_t)(info.frames * 2));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    for (int64_t i = 0; i < info.frames; i++) left[(size_t)i] = frames[(size_t)(2 * i)];
    std::vector<float> out(left.size());
    plugin->processStereo(left.data(), left.data(), out.data(), out.data(), (int64_t)left.size(), 1);
    std::vector<int64_t> samples;
    for (const host::MidiRecord& r : plugin->midiEvents())
        if (r.isNoteOn()) samples.push_back(r.samplePosition);
    return samples;
}

TEST(Conversion, NotesLandOnTheSampleForAnyBlockSizeAndPrecision) {
    ScratchFolder scratch;
    std::string wav = scratch.path("clicks.wav");
    writeClicks(wav, kClicks, kClickFrames);
    std::vector<int64_t> reference = noteOnSamplesSampleBySample(wav);
    ASSERT_EQ(reference.size(), kClicks.size());
    for (size_t i = 0; i < kClicks.size(); i++) {
        // The click reaches the filters 50 samples late and the level a few samples after that.
        EXPECT_GT(reference[i], kClicks[i] + 50);
        EXPECT_LT(reference[i], kClicks[i] + 80);
    }
    for (const char* precision : {"32", "64"}) {
        for (const char* block : {"1", "7", "64", "512", "4096", "100000"}) {
            CommandResult r = runTamboro({"convert", "--engine", "plugin", wav, "-o", scratch.path("out.mid"), "--force", "--csv", "--high",
                                          kHigh, "--low", kLow, "--drum", "kick", "--block-size", block,
                                          "--precision", precision});
            ASSERT_EQ(r.exitCode, 0) << r.err;
            auto notes = csvNotes(r.out);
            ASSERT_EQ(notes.size(), reference.size()) << "block " << block << ", precision " << precision;
            for (size_t i = 0; i < notes.size(); i++) {
                EXPECT_EQ(notes[i].first, reference[i] - kReportedDelay) << "block " << block;
                EXPECT_EQ(notes[i].second, 36);
            }
        }
    }
    CommandResult raw = runTamboro({"convert", "--engine", "plugin", wav, "-o", scratch.path("raw.mid"), "--csv", "--high", kHigh, "--low",
                                    kLow, "--drum", "kick", "--no-latency-compensation"});
    auto notes = csvNotes(raw.out);
    ASSERT_EQ(notes.size(), reference.size());
    for (size_t i = 0; i < notes.size(); i++) EXPECT_EQ(notes[i].first, reference[i]);
}

TEST(Conversion, ABatchWritesTheSameFilesAsSingleRuns) {
    ScratchFolder scratch;
    std::filesystem::create_directory(scratch.path("batch"));
    std::vector<std::string> inputs;
    for (int i = 0; i < 4; i++) {
        inputs.push_back(scratch.path("in" + std::to_string(i) + ".wav"));
        std::vector<int64_t> at;
        for (int64_t c : kClicks) at.push_back(c + 1000 * i);
        writeClicks(inputs.back(), at, kClickFrames);
    }
    std::vector<std::string> batch = {"convert", "--engine", "plugin", "-o", scratch.path("batch"), "-j", "3"};
    batch.insert(batch.end(), inputs.begin(), inputs.end());
    CommandResult r = runTamboro(batch);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (int i = 0; i < 4; i++) {
        std::string single = scratch.path("single" + std::to_string(i) + ".mid");
        ASSERT_EQ(runTamboro({"convert", "--engine", "plugin", inputs[(size_t)i], "-o", single}).exitCode, 0);
        EXPECT_EQ(readBytes(single), readBytes(scratch.path("batch/in" + std::to_string(i) + ".mid"))) << i;
    }
}

TEST(Conversion, LearningThroughTemplateModeFindsTheDemoDrumsInBothPrecisions) {
    ScratchFolder scratch;
    std::string folder = demoFolder();
    for (const char* precision : {"32", "64"}) {
        CommandResult r = runTamboro({"convert", "--engine", "plugin", folder + "/loop.flac", "-o",
                                      scratch.path("loop.mid"), "--force", "--csv", "--precision", precision, "--high",
                                      std::to_string(demo::kHighThreshold), "--low", std::to_string(demo::kLowThreshold),
                                      "--learn", "kick=" + folder + "/kick.flac", "--learn",
                                      "snare=" + folder + "/snare.flac", "--learn", "hihat=" + folder + "/hihat.flac"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<cli::Note> notes;
        for (auto [sample, note] : csvNotes(r.out)) notes.push_back({sample, note, 0});
        cli::DemoScore score = scoreSynthDemo(notes);
        EXPECT_EQ(score.right, demo::kNumHits) << precision << r.out;
        EXPECT_EQ(score.extra, 0) << precision << r.out;
    }
    // Without templates every hit is a kick: the drums above came from learning.
    CommandResult untaught = runTamboro({"convert", "--engine", "plugin", folder + "/loop.flac", "-o", scratch.path("plain.mid"), "--csv",
                                         "--high", std::to_string(demo::kHighThreshold), "--low",
                                         std::to_string(demo::kLowThreshold)});
    for (auto [sample, note] : csvNotes(untaught.out)) EXPECT_EQ(note, 36);
}

TEST(Conversion, AutoThresholdsFindTheDemoHits) {
    ScratchFolder scratch;
    CommandResult r = runTamboro({"convert", "--engine", "plugin", demoFolder() + "/loop.flac", "-o", scratch.path("loop.mid"), "--csv",
                                  "--drum", "kick"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("(auto)"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" dB)"), std::string::npos) << r.err;
    std::vector<cli::Note> notes;
    for (auto [sample, note] : csvNotes(r.out)) notes.push_back({sample, 36, 0});
    cli::DemoScore score = scoreSynthDemo(notes);
    EXPECT_EQ(score.right + score.wrong, demo::kNumHits) << r.out;
    EXPECT_EQ(score.extra, 0) << r.out;
    // Sparse clicks in digital silence: a very different level, every click found once.
    std::string clicks = scratch.path("clicks.wav");
    writeClicks(clicks, kClicks, kClickFrames);
    CommandResult sparse = runTamboro({"convert", "--engine", "plugin", clicks, "--csv", "--drum", "kick"});
    ASSERT_EQ(sparse.exitCode, 0) << sparse.err;
    EXPECT_EQ(csvNotes(sparse.out).size(), kClicks.size()) << sparse.out << sparse.err;
}

TEST(Conversion, DemoFindsEveryKnownHitOfTheRecordedGroove) {
    ScratchFolder scratch;
    CommandResult r = runTamboro({"demo", "-o", scratch.path("demo.mid"), "--force"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Found 25 of 25 known hits with the right drum (0 with the wrong drum, 0 missed, 0 extra"),
              std::string::npos)
        << r.out;
    // The grid of what was found repeats the grid of what was played.
    size_t played = r.out.find("Played:\n"), found = r.out.find("Found:\n");
    ASSERT_NE(found, std::string::npos);
    EXPECT_EQ(r.out.substr(played + 8, found - played - 8), r.out.substr(found + 7, found - played - 8));
    EXPECT_EQ(readBytes(scratch.path("demo.mid")).size() > 14, true);
}

}  // namespace
