// The transcriber behind `tamboro convert`: taught from files or from its
// built-in hits, its delay taken out, its options kept apart from the
// plug-in's, and bad examples or recordings refused with a clear message.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "cli_test_support.h"
#include "host/cli/demo.h"

namespace {

using namespace cli_test;

constexpr int kRate = 44100;

bool says(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string recorded(const std::string& name) { return std::string(TAMBORO_RECORDED_DEMO_FOLDER) + "/" + name; }

std::vector<std::string> teachAll() {
    std::vector<std::string> args;
    for (const char* drum : {"kick", "snare", "hihat"})
        args.insert(args.end(), {"--learn", std::string(drum) + "=" + recorded(std::string(drum) + ".flac")});
    return args;
}

CommandResult convertLoop(const ScratchFolder& scratch, std::vector<std::string> extra) {
    std::vector<std::string> args = {"convert", recorded("loop.flac"), "-o", scratch.path("loop.mid"), "--force",
                                     "--csv"};
    args.insert(args.end(), extra.begin(), extra.end());
    return runTamboro(args);
}

cli::DemoScore scoreLoop(const std::vector<cli::Note>& notes) {
    constexpr int64_t kTolerance = kRate * 30 / 1000;
    return cli::scoreHits(cli::readGroove(recorded("groove.txt")).hits, notes, kTolerance, kTolerance);
}

TEST(Transcriber, TaughtFromFilesItFindsTheRecordedGrooveOnTime) {
    ScratchFolder scratch;
    CommandResult r = convertLoop(scratch, teachAll());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<cli::Note> notes = readCsvNotes(r.out);
    cli::DemoScore score = scoreLoop(notes);
    EXPECT_EQ(score.right, 25) << r.out;
    EXPECT_LE(score.extra, 1) << r.out;
    // Left uncompensated, every note comes later by the same constant delay.
    CommandResult late = convertLoop(scratch, [] {
        auto args = teachAll();
        args.push_back("--no-latency-compensation");
        return args;
    }());
    std::vector<cli::Note> lateNotes = readCsvNotes(late.out);
    ASSERT_EQ(lateNotes.size(), notes.size()) << late.out;
    int64_t delay = lateNotes[0].sample - notes[0].sample;
    EXPECT_GT(delay, 0);
    for (size_t i = 0; i < notes.size(); i++) EXPECT_EQ(lateNotes[i].sample - notes[i].sample, delay) << i;
}

TEST(Transcriber, WithoutExamplesItLabelsTheDrumsFromItsBuiltInHitsAndSaysSo) {
    ScratchFolder scratch;
    CommandResult r = convertLoop(scratch, {});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(says(r.err, "kick from built-in hits")) << r.err;
    EXPECT_TRUE(says(r.err, "Audiophob")) << r.err;
    EXPECT_TRUE(says(r.err, "fitted to")) << r.err;  // the recording's own hits
    cli::DemoScore score = scoreLoop(readCsvNotes(r.out));
    EXPECT_GE(score.right, 20) << r.out;
    // One drum taught, the others built in.
    CommandResult mixed = convertLoop(scratch, {"--learn", "kick=" + recorded("kick.flac"), "-v"});
    ASSERT_EQ(mixed.exitCode, 0) << mixed.err;
    EXPECT_TRUE(says(mixed.err, "kick from " + recorded("kick.flac") + ", snare from built-in hits")) << mixed.err;
}

TEST(Transcriber, SensitivityTradesMissesForFalseHits) {
    ScratchFolder scratch;
    size_t normal = readCsvNotes(convertLoop(scratch, teachAll()).out).size();
    auto with = [&](const std::string& sensitivity) {
        auto args = teachAll();
        args.insert(args.end(), {"--sensitivity", sensitivity});
        CommandResult r = convertLoop(scratch, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return readCsvNotes(r.out).size();
    };
    EXPECT_LT(with("0.02"), normal);
    EXPECT_GT(with("kick=100,snare=100,hihat=100"), normal);
}

TEST(Transcriber, EachEngineRefusesTheOthersOptions) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {kRate / 2}, kRate);
    for (const char* option : {"--high", "--drum", "--precision"}) {
        CommandResult r = runTamboro({"convert", scratch.path("in.wav"), option, "64"});
        EXPECT_EQ(r.exitCode, 2) << option;
        EXPECT_TRUE(says(r.err, std::string(option) + " is an option of the plug-in engine")) << r.err;
    }
    CommandResult plugin = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--sensitivity", "2"});
    EXPECT_EQ(plugin.exitCode, 2);
    EXPECT_TRUE(says(plugin.err, "--sensitivity is an option of the transcriber")) << plugin.err;
    for (const char* bad : {"0", "kick=loud", "tom=2", "nan"}) {
        CommandResult r = runTamboro({"convert", scratch.path("in.wav"), "--sensitivity", bad});
        EXPECT_EQ(r.exitCode, 2) << bad;
        EXPECT_TRUE(says(r.err, "--sensitivity")) << r.err;
    }
    EXPECT_EQ(runTamboro({"convert", scratch.path("in.wav"), "--engine", "magic"}).exitCode, 2);
}

TEST(Transcriber, BadExamplesAreRefusedWithTheirReasonAndNoFileIsLeft) {
    ScratchFolder scratch;
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    writeAudio(scratch.path("silent.wav"), kRate, 2, kRate, [](int64_t, int) { return 0.0f; });
    // A tone that swells slowly has no onset to learn from.
    writeAudio(scratch.path("tone.wav"), kRate, 1, kRate, [](int64_t i, int) {
        double t = (double)i / kRate;
        return (float)(std::pow(10.0, -3.0 + 3.0 * t) * std::sin(2 * M_PI * 350.0 * t));
    });
    writeAudio(scratch.path("nan.wav"), kRate, 1, kRate, [&](int64_t i, int) { return i == 100 ? kNaN : 0.1f; },
               SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    struct Case {
        const char* file;
        const char* reason;
    };
    for (const Case& c : {Case{"silent.wav", "is silent"}, Case{"tone.wav", "no snare hit found"},
                          Case{"nan.wav", "not numbers (NaN) or infinite"}}) {
        CommandResult r = runTamboro({"convert", recorded("loop.flac"), "-o", scratch.path(std::string(c.file) + ".mid"), "--learn",
                                      std::string("snare=") + scratch.path(c.file)});
        EXPECT_EQ(r.exitCode, 1) << c.file;
        EXPECT_EQ(countLines(r.err), 1) << r.err;
        EXPECT_TRUE(says(r.err, scratch.path(c.file) + ": ")) << r.err;
        EXPECT_TRUE(says(r.err, c.reason)) << r.err;
        EXPECT_FALSE(fileExists(scratch.path(std::string(c.file) + ".mid"))) << c.file;
    }
}

TEST(Transcriber, BrokenRecordingsGiveAMessageOrACleanResult) {
    ScratchFolder scratch;
    writeAudio(scratch.path("empty.wav"), 0, 2, kRate, [](int64_t, int) { return 0.0f; });
    CommandResult empty = runTamboro({"convert", scratch.path("empty.wav"), "-o", scratch.path("empty.mid")});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(says(empty.err, "contains no audio")) << empty.err;
    writeAudio(scratch.path("phone.wav"), 8000, 1, 8000, [](int64_t, int) { return 0.0f; });
    CommandResult phone = runTamboro({"convert", scratch.path("phone.wav"), "-o", scratch.path("phone.mid")});
    EXPECT_EQ(phone.exitCode, 1);
    EXPECT_TRUE(says(phone.err, scratch.path("phone.wav") + ": the transcriber cannot run at 8000 Hz")) << phone.err;
    // Not-a-number and infinite samples among clicks: the clicks still come
    // through, and every note ends.
    constexpr float kInf = std::numeric_limits<float>::infinity();
    writeAudio(scratch.path("odd.wav"), 2 * kRate, 2, kRate,
               [&](int64_t i, int c) {
                   if (i % 5000 == 7) return c ? -kInf : std::numeric_limits<float>::quiet_NaN();
                   return i % (kRate / 2) < 200 ? 0.5f * (float)std::sin((double)i) : 0.0f;
               },
               SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    CommandResult odd = runTamboro({"convert", scratch.path("odd.wav"), "-o", scratch.path("odd.mid"), "--csv"});
    EXPECT_EQ(odd.exitCode, 0) << odd.err;
    EXPECT_TRUE(fileExists(scratch.path("odd.mid")));
    EXPECT_TRUE(says(odd.err, scratch.path("odd.wav") + ": 18 sample frames hold values that are not numbers")) << odd.err;
    // Garbage in the middle of a compressed file: the error of the reading
    // thread reaches the user, and no MIDI file is left.
    std::vector<uint8_t> flac = readBytes(recorded("loop.flac"));
    std::fill(flac.begin() + flac.size() / 2, flac.begin() + flac.size() / 2 + 4000, 0xff);
    writeText(scratch.path("cut.flac"), std::string(flac.begin(), flac.end()));
    CommandResult cut = runTamboro({"convert", scratch.path("cut.flac"), "-o", scratch.path("cut.mid")});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_TRUE(says(cut.err, scratch.path("cut.flac") + ": read error")) << cut.err;
    EXPECT_FALSE(fileExists(scratch.path("cut.mid")));
    // A header claiming 2^35 frames (nine days) for six seconds of audio:
    // nothing is sized by the claim (128 GB per channel), and the summary
    // tells the real length. The total sits in the low 36 bits of the
    // first metadata block's bytes 10-17.
    std::vector<uint8_t> claims = readBytes(recorded("loop.flac"));
    uint64_t fields = 0;
    for (int i = 18; i < 26; i++) fields = fields << 8 | claims[(size_t)i];
    fields = (fields & ~((uint64_t(1) << 36) - 1)) | uint64_t(1) << 35;
    for (int i = 25; i >= 18; i--, fields >>= 8) claims[(size_t)i] = (uint8_t)fields;
    writeText(scratch.path("claims.flac"), std::string(claims.begin(), claims.end()));
    CommandResult real = convertLoop(scratch, {});
    CommandResult claimed = runTamboro({"convert", scratch.path("claims.flac"), "-o", scratch.path("claims.mid"), "--csv"});
    ASSERT_EQ(claimed.exitCode, 0) << claimed.err;
    const std::vector<cli::Note> notes = readCsvNotes(claimed.out), realNotes = readCsvNotes(real.out);
    ASSERT_EQ(notes.size(), realNotes.size());
    for (size_t i = 0; i < notes.size(); i++)
        EXPECT_TRUE(notes[i].sample == realNotes[i].sample && notes[i].note == realNotes[i].note) << i;
    EXPECT_TRUE(says(claimed.err, "6.05 s at 44100 Hz")) << claimed.err;
}

TEST(Transcriber, PlotsActivationsWithThresholds) {
    ScratchFolder scratch;
    CommandResult r = convertLoop(scratch, {"--plot", scratch.path("loop.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> png = readBytes(scratch.path("loop.png"));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
}

}  // namespace
