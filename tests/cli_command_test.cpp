// The tamboro command as a user meets it: help, info, and every way a
// conversion can fail, each with one clear line, a non-zero status and no
// output file left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli_test_support.h"

namespace {

using namespace cli_test;

// Converts in with any extra words; expects a failure naming what in the one line of stderr.
void expectOneLineFailure(const CommandResult& r, const std::string& mentions) {
    EXPECT_NE(r.exitCode, 0);
    EXPECT_EQ(countLines(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("tamboro: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(mentions), std::string::npos) << r.err;
}

size_t filesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) n++;
    return n;
}

TEST(Command, HelpNamesEveryOption) {
    CommandResult r = runTamboro({"convert", "--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* option : {"--output", "--high", "--low", "--ratio", "--drum", "--learn", "--precision",
                               "--block-size", "--tempo", "--no-latency-compensation", "--audio-out", "--plot",
                               "--plot-size", "--csv", "--jobs", "--force", "--plugin", "auto:", "--engine",
                               "--sensitivity"})
        EXPECT_NE(r.out.find(option), std::string::npos) << option;
    CommandResult top = runTamboro({"--help"});
    for (const char* command : {"convert", "demo", "info"}) EXPECT_NE(top.out.find(command), std::string::npos);
}

TEST(Command, UsageErrorsAreOneLine) {
    expectOneLineFailure(runTamboro({}), "no command given");
    expectOneLineFailure(runTamboro({"-v", "conver", "a.wav"}), "'conver' is not a command");
    expectOneLineFailure(runTamboro({"convert"}), "no recording given");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin"}), "no recording given");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", "a.wav", "--block-size", "0"}), "--block-size: must be from 1 to");
    expectOneLineFailure(runTamboro({"convert", "a.wav", "--tempo", "5"}), "--tempo: must be from 20 to 999 (beats");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", "a.wav", "--ratio", "20"}), "--ratio");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", "a.wav", "--high", "loud"}), "--high");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", "a.wav", "--ratio", "19", "--low", "0.5"}), "--low");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", "a.wav", "--drum", "kick", "--learn", "kick=k.wav"}), "--learn");
}

TEST(Command, InfoShowsWhatAHostSees) {
    CommandResult r = runTamboro({"info", TAMBORO_PLUGIN_PATH});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* fact : {"Tamboro", "Quillon", "1000", "0x30343036", "'0406'", "2 inputs, 2 outputs",
                             "0x00001019", "can double replacing", "100 samples", "sendVstMidiEvent yes",
                             "receiveVstMidiEvent no", "High Threshold", "High Thresh", "Template Ins",
                             "1.000000", "\"Default\""})
        EXPECT_NE(r.out.find(fact), std::string::npos) << fact;
}

// The second plug-in's displays are its own, not the first plug-in's read-outs.
TEST(Command, InfoShowsTheTranscriberPluginAsItIs) {
    CommandResult r = runTamboro({"info", "--plugin", TAMBORO_TRANSCRIBER_PLUGIN_PATH});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* fact : {"Tamboro Transcriber", "'TbTr'", "program chunks", "bypass yes", "Kick Sens",
                             "+0.0 dB", "unlearnt"})
        EXPECT_NE(r.out.find(fact), std::string::npos) << fact;
    EXPECT_EQ(r.out.find("template"), std::string::npos);
}

TEST(Command, APluginThatDoesNotLoadFailsClearly) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {1000}, 4000);
    writeText(scratch.path("fake.so"), "not a library");
    expectOneLineFailure(runTamboro({"info", scratch.path("fake.so")}), "fake.so");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--plugin", scratch.path("none.so")}),
                         "none.so");
    EXPECT_FALSE(fileExists(scratch.path("in.mid")));
}

TEST(Command, UnreadableInputsFailWithoutLeavingFiles) {
    ScratchFolder scratch;
    writeText(scratch.path("text.wav"), "this is not audio");
    writeAudio(scratch.path("empty.wav"), 0, 2, 44100, [](int64_t, int) { return 0.0f; });
    writeAudio(scratch.path("surround.wav"), 100, 6, 44100, [](int64_t, int) { return 0.1f; });
    std::filesystem::create_directory(scratch.path("folder.wav"));
    struct Case {
        const char* file;
        const char* says;
    };
    for (Case c : {Case{"missing.wav", "No such file"}, Case{"text.wav", "cannot read audio"},
                   Case{"empty.wav", "no audio"}, Case{"surround.wav", "6 channels"},
                   Case{"folder.wav", "directory"}}) {
        size_t before = filesIn(scratch.path(""));
        CommandResult r = runTamboro({"convert", "--engine", "plugin", scratch.path(c.file), "--high", "0.5", "--low", "0.5"});
        expectOneLineFailure(r, c.says);
        EXPECT_NE(r.err.find(c.file), std::string::npos) << r.err;
        EXPECT_EQ(filesIn(scratch.path("")), before) << c.file;
    }
}

TEST(Command, ATaughtFileAtAnotherRateIsRefused) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {1000}, 4000, 44100);
    writeClicks(scratch.path("kick.wav"), {1000}, 4000, 48000);
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--learn", "kick=" + scratch.path("kick.wav")}),
                         "48000 Hz");
    EXPECT_FALSE(fileExists(scratch.path("in.mid")));
}

TEST(Command, AnUnknownAudioOutputFormatIsRefusedBeforeAnyWork) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {1000}, 4000);
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--audio-out", scratch.path("out.mp3")}),
                         "out.mp3");
    EXPECT_FALSE(fileExists(scratch.path("in.mid")));
}

TEST(Command, NeverOverwritesWithoutForce) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {1000}, 4000);
    writeText(scratch.path("in.mid"), "keep me");
    expectOneLineFailure(runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav")}), "--force");
    EXPECT_EQ(readText(scratch.path("in.mid")), "keep me");
    CommandResult forced = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(readText(scratch.path("in.mid")).substr(0, 4), "MThd");
}

TEST(Command, ABatchGoesOnPastAFailedFile) {
    ScratchFolder scratch;
    writeClicks(scratch.path("a.wav"), {1000}, 4000);
    writeClicks(scratch.path("c.wav"), {1000}, 4000);
    CommandResult r =
        runTamboro({"convert", "--engine", "plugin", scratch.path("a.wav"), scratch.path("b.wav"), scratch.path("c.wav"), "-j", "2", "--high",
                    "0.05", "--low", "0.1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(countLines(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("b.wav"), std::string::npos);
    EXPECT_TRUE(fileExists(scratch.path("a.mid")));
    EXPECT_TRUE(fileExists(scratch.path("c.mid")));
    EXPECT_FALSE(fileExists(scratch.path("b.mid")));
    // One summary per converted file, in input order, and no progress bar off a terminal.
    EXPECT_LT(r.out.find("a.wav ->"), r.out.find("c.wav ->"));
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

TEST(Command, DemoRefusesToOverwriteItsMidiFile) {
    ScratchFolder scratch;
    writeText(scratch.path("demo.mid"), "keep me");
    expectOneLineFailure(runTamboro({"demo", "-o", scratch.path("demo.mid")}), "--force");
    EXPECT_EQ(readText(scratch.path("demo.mid")), "keep me");
}

TEST(Command, ReadsEveryFormatAnyRateAndMono) {
    ScratchFolder scratch;
    struct Case {
        const char* name;
        int format;
        int rate;
        int channels;
    };
    for (Case c : {Case{"a.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1},
                   Case{"b.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 22050, 2},
                   Case{"c.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 96000, 2},
                   Case{"d.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1}}) {
        writeAudio(scratch.path(c.name), c.rate / 2, c.channels, c.rate,
                   [](int64_t i, int) { return i % 5000 < 100 ? 0.5f : 0.0f; }, c.format);
        CommandResult r = runTamboro({"convert", "--engine", "plugin", scratch.path(c.name), "-o", scratch.path(std::string(c.name) + ".mid")});
        EXPECT_EQ(r.exitCode, 0) << c.name << ": " << r.err;
        EXPECT_NE(r.out.find(std::to_string(c.rate) + " Hz " + (c.channels == 1 ? "mono" : "stereo")),
                  std::string::npos)
            << r.out;
    }
}

TEST(Command, WritesThePlotAtTheRequestedSize) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {4000, 20000}, 30000);
    CommandResult r = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--plot", scratch.path("in.png"), "--plot-size",
                                  "800x300", "--high", "0.05", "--low", "0.1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<uint8_t> png = readBytes(scratch.path("in.png"));
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    auto be32 = [&](size_t at) { return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3]; };
    EXPECT_EQ(be32(16), 800);
    EXPECT_EQ(be32(20), 300);
}

TEST(Command, WritesTheAudioOutputAsLongAsTheInput) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {4000}, 12345, 48000);
    CommandResult r = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "--audio-out", scratch.path("out.flac")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    SF_INFO info{};
    SNDFILE* file = sf_open(scratch.path("out.flac").c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(info.frames, 12345);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 48000);
    sf_close(file);
}

TEST(Command, AnInterruptedConversionLeavesNoFiles) {
    ScratchFolder scratch;
    writeClicks(scratch.path("long.wav"), {1000, 50000}, 30 * 44100);
    // One sample per processing call keeps it busy long enough to be interrupted.
    std::vector<std::string> words = {TAMBORO_CLI_PATH, "convert", "--engine", "plugin", scratch.path("long.wav"), "--block-size", "1",
                                      "--audio-out", scratch.path("out.wav"), "--high", "0.05", "--low", "0.1"};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Wait until the audio output is being written, then interrupt.
    auto partialFiles = [&] { return filesIn(scratch.path("")) - 1; };
    for (int i = 0; i < 200 && partialFiles() == 0; i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(partialFiles(), 0u);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    EXPECT_EQ(partialFiles(), 0u);
}

}  // namespace
