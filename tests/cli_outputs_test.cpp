// Output files appear whole or not at all, never replace a file unasked, and
// never collide.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_test_support.h"
#include "host/cli/failure.h"
#include "host/cli/output_file.h"
#include "host/cli/output_names.h"

namespace {

using namespace cli;
using cli_test::fileExists;
using cli_test::readText;
using cli_test::ScratchFolder;
using cli_test::writeText;

size_t filesIn(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder)) n++;
    return n;
}

TEST(PendingOutput, AppearsOnlyWhenCommitted) {
    ScratchFolder scratch;
    std::string target = scratch.path("a.mid");
    {
        PendingOutput out(target, false);
        out.writeAll(std::string("data"));
        EXPECT_FALSE(fileExists(target));
        out.commit();
    }
    EXPECT_EQ(readText(target), "data");
    EXPECT_EQ(filesIn(scratch.path("")), 1u);
}

TEST(PendingOutput, LeavesNothingBehindWhenAbandoned) {
    ScratchFolder scratch;
    {
        PendingOutput out(scratch.path("a.mid"), false);
        out.writeAll(std::string("half"));
    }
    EXPECT_EQ(filesIn(scratch.path("")), 0u);
}

TEST(PendingOutput, NeverReplacesAFileWithoutOverwrite) {
    ScratchFolder scratch;
    std::string target = scratch.path("a.mid");
    writeText(target, "mine");
    EXPECT_THROW(PendingOutput(target, false), Failure);
    // A file that appears while the output is being made is kept too.
    std::string later = scratch.path("b.mid");
    PendingOutput out(later, false);
    out.writeAll(std::string("new"));
    writeText(later, "theirs");
    EXPECT_THROW(out.commit(), Failure);
    EXPECT_EQ(readText(later), "theirs");
    EXPECT_EQ(readText(target), "mine");
}

TEST(PendingOutput, ReplacesWithOverwrite) {
    ScratchFolder scratch;
    std::string target = scratch.path("a.mid");
    writeText(target, "old");
    PendingOutput out(target, true);
    out.writeAll(std::string("new"));
    out.commit();
    EXPECT_EQ(readText(target), "new");
}

TEST(PendingOutput, ReportsAMissingFolder) {
    ScratchFolder scratch;
    EXPECT_THROW(PendingOutput(scratch.path("no/such/folder.mid"), false), Failure);
    EXPECT_THROW(refuseExisting(scratch.path(""), true), Failure);  // a folder is never an output
}

TEST(OutputNames, DefaultBesideTheInput) {
    auto plans = planOutputs({"drums/take 1.wav", "b.flac"}, {});
    EXPECT_EQ(plans[0].midi, "drums/take 1.mid");
    EXPECT_EQ(plans[1].midi, "b.mid");
    EXPECT_TRUE(plans[0].audio.empty());
    EXPECT_TRUE(plans[0].plot.empty());
}

TEST(OutputNames, OneInputNamesTheFileSeveralNameAFolder) {
    ScratchFolder scratch;
    OutputOptions one{scratch.path("x.mid"), scratch.path("x.wav"), scratch.path("x.png"), {}};
    auto single = planOutputs({"in/a.wav"}, one);
    EXPECT_EQ(single[0].midi, scratch.path("x.mid"));
    EXPECT_EQ(single[0].plot, scratch.path("x.png"));
    OutputOptions folder{scratch.path(""), scratch.path(""), "", {}};
    auto several = planOutputs({"in/a.wav", "b.aiff"}, folder);
    EXPECT_EQ(several[1].midi, (std::filesystem::path(scratch.path("")) / "b.mid").string());
    EXPECT_EQ(several[1].audio, (std::filesystem::path(scratch.path("")) / "b.wav").string());
    EXPECT_THROW(planOutputs({"a.wav", "b.wav"}, {scratch.path("x.mid"), "", "", {}}), Failure);
}

TEST(OutputNames, RefuseCollisions) {
    ScratchFolder scratch;
    // Two inputs of the same name into one folder.
    EXPECT_THROW(planOutputs({"x/a.wav", "y/a.wav"}, {scratch.path(""), "", "", {}}), Failure);
    // An output that would replace an input.
    EXPECT_THROW(planOutputs({"a.wav"}, {"", "a.wav", "", {}}), Failure);
    // The same file for two kinds of output.
    EXPECT_THROW(planOutputs({"a.wav"}, {"out.mid", "", "out.mid", {}}), Failure);
}

}  // namespace
