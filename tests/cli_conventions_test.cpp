// The command-line habits users bring from other audio tools: version and
// help commands, -q and -v, "-" for standard input and output, messages that
// say where to look, and warnings for settings that cannot work.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <regex>

#include "cli_test_support.h"

namespace {

using namespace cli_test;

bool says(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Conventions, VersionAndHelpCommand) {
    for (const char* flag : {"-V", "--version"}) {
        CommandResult r = runTamboro({flag});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_TRUE(says(r.out, "tamboro 1.0")) << r.out;
    }
    EXPECT_EQ(runTamboro({"help", "convert"}).out, runTamboro({"convert", "--help"}).out);
    CommandResult top = runTamboro({"help"});
    EXPECT_EQ(top.exitCode, 0);
    for (const char* command : {"convert", "demo", "info", "--quiet", "--verbose"})
        EXPECT_TRUE(says(top.out, command)) << command;
    CommandResult unknown = runTamboro({"help", "mix"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(says(unknown.err, "'mix' is not a command")) << unknown.err;
}

TEST(Conventions, HelpNamesValueTypesInWords) {
    std::string help = runTamboro({"convert", "--help"}).out;
    for (const char* parserWord : {"TEXT", "INT", "FLOAT", " in ["}) EXPECT_FALSE(says(help, parserWord)) << parserWord;
    for (const char* shown : {"--high DB", "--jobs N", "--plugin FILE", "--block-size N"})
        EXPECT_TRUE(says(help, shown)) << shown;
}

TEST(Conventions, MistakesPointToTheCommandsHelpInPlainWords) {
    CommandResult unknown = runTamboro({"convert", "--engine", "plugin", "a.wav", "--loudness", "3"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(says(unknown.err, "see tamboro convert --help")) << unknown.err;
    CommandResult noJobs = runTamboro({"convert", "--engine", "plugin", "a.wav", "-j", "0"});
    EXPECT_EQ(noJobs.exitCode, 2);
    EXPECT_TRUE(says(noJobs.err, "--jobs: must be 1 or more")) << noJobs.err;
    EXPECT_FALSE(std::regex_search(noJobs.err, std::regex("[0-9]{6}"))) << noJobs.err;
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {1000}, 4000);
    CommandResult audioName = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "-o", scratch.path("out.wav")});
    EXPECT_EQ(audioName.exitCode, 2);
    EXPECT_TRUE(says(audioName.err, "--audio-out")) << audioName.err;
    EXPECT_FALSE(fileExists(scratch.path("out.wav")));
}

TEST(Conventions, InfoTakesPluginOptionAndShowsReadableValues) {
    CommandResult r = runTamboro({"info", "--plugin", TAMBORO_PLUGIN_PATH});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // A fresh instance: both sliders full, Dynamic, template mode, kick slot.
    for (const char* shown : {"0.0 dB", "-20.0 dB", "dynamic", "template", "kick"})
        EXPECT_TRUE(says(r.out, shown)) << shown << "\n" << r.out;
}

TEST(Conventions, StandardInputToStandardOutputGivesTheSameFile) {
    ScratchFolder scratch;
    std::string in = scratch.path("in.flac");
    writeClicks(scratch.path("in.wav"), {3000, 20000}, 40000);
    // FLAC through a pipe: a format that is read without seeking back.
    writeAudio(in, 40000, 2, 44100, [](int64_t i, int) { return i % 20000 < 300 ? 0.5f : 0.0f; },
               SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    for (const std::string& file : {scratch.path("in.wav"), in}) {
        ASSERT_EQ(runTamboro({"convert", "--engine", "plugin", file, "-o", scratch.path("file.mid"), "--force"}).exitCode, 0);
        CommandResult piped = runTamboro({"convert", "--engine", "plugin", "-", "-o", "-"}, file);
        ASSERT_EQ(piped.exitCode, 0) << piped.err;
        EXPECT_EQ(piped.out, readText(scratch.path("file.mid"))) << file;
        EXPECT_TRUE(says(piped.err, "- -> -:")) << piped.err;
    }
    CommandResult noOutput = runTamboro({"convert", "--engine", "plugin", "-"}, in);
    EXPECT_EQ(noOutput.exitCode, 2);
    EXPECT_TRUE(says(noOutput.err, "-o -")) << noOutput.err;
}

TEST(Conventions, QuietPrintsNothingVerboseTellsMore) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {3000, 20000}, 40000);
    CommandResult quiet = runTamboro({"-q", "convert", "--engine", "plugin", scratch.path("in.wav"), "--high", "-80dB"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
    CommandResult verbose = runTamboro({"convert", "--engine", "plugin", scratch.path("in.wav"), "-v", "--force", "--high", "0.05",
                                        "--learn", "kick=" + scratch.path("in.wav")});
    EXPECT_EQ(verbose.exitCode, 0) << verbose.err;
    EXPECT_TRUE(says(verbose.out, "High Threshold 0.050000")) << verbose.out;
    EXPECT_TRUE(says(verbose.out, "learned the kick from its first hit, at 0.06")) << verbose.out;
}

TEST(Conventions, SettingsThatCannotWorkAreExplained) {
    ScratchFolder scratch;
    writeClicks(scratch.path("in.wav"), {3000, 20000}, 40000);
    struct Case {
        std::vector<std::string> words;
        const char* cause;
    };
    for (const Case& c : {Case{{"--high", "0"}, "was a decibel value meant"},
                          Case{{"--high", "-200dB"}, "every faint noise starts a hit"},
                          Case{{"--high", "0.5", "--low", "0"}, "never released"},
                          Case{{"--high", "-30dB", "--low", "-25dB"}, "re-triggers while it sounds"}}) {
        std::vector<std::string> args = {"convert", "--engine", "plugin", scratch.path("in.wav"), "-o", scratch.path("out.mid"), "--force"};
        args.insert(args.end(), c.words.begin(), c.words.end());
        CommandResult r = runTamboro(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(says(r.err, "warning: ") && says(r.err, c.cause)) << c.cause << "\n" << r.err;
    }
}

}  // namespace
