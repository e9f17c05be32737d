// The Linux release archive as a user gets it: unpacked anywhere, its
// plug-ins load in a host and process, its command runs with what lies
// beside it, and it carries the install note and the licences.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/plugin_host.h"
#include "shell/plugin_info.h"
#include "transcriber_shell/transcriber_plugin_info.h"

namespace {

namespace fs = std::filesystem;

struct Output {
    int status;
    std::string text;
};

Output run(const std::string& command) {
    Output out{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    for (size_t n; (n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0;) out.text.append(buffer.data(), n);
    out.status = pclose(pipe);
    return out;
}

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string readText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class UnpackedArchive : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new fs::path(fs::temp_directory_path() / ("tamboro-package-test-" + std::to_string(getpid())));
        fs::create_directories(*folder);
        const Output unpacked = run("cd " + quoted(*folder) + " && " + quoted(TAMBORO_CMAKE) + " -E tar xf " +
                                    quoted(TAMBORO_PACKAGE_ARCHIVE));
        ASSERT_EQ(unpacked.status, 0) << unpacked.text;
    }
    static void TearDownTestSuite() {
        fs::remove_all(*folder);
        delete folder;
    }
    static fs::path top() { return *folder / TAMBORO_PACKAGE_NAME; }
    // The file of that name in the archive.
    static fs::path unpacked(const char* builtPath) { return top() / fs::path(builtPath).filename(); }

    static fs::path* folder;
};
fs::path* UnpackedArchive::folder = nullptr;

TEST_F(UnpackedArchive, BothPlugInsLoadAndProcessFromThere) {
    const std::pair<const char*, const char*> plugins[] = {
        {TAMBORO_PLUGIN_PATH, plugin_info::kEffectName},
        {TAMBORO_TRANSCRIBER_PLUGIN_PATH, transcriber_plugin_info::kEffectName}};
    for (const auto& [built, name] : plugins) {
        std::string error;
        auto library = host::PluginLibrary::open(unpacked(built).string(), error);
        ASSERT_TRUE(library) << error;
        auto plugin = host::Instance::create(*library, error);
        ASSERT_TRUE(plugin) << error;
        EXPECT_EQ(plugin->getString(effGetEffectName), name);
        std::vector<float> in(4096, 0.25f), out(4096);
        plugin->processStereo(in.data(), in.data(), out.data(), out.data(), (int64_t)in.size(), 512);
        EXPECT_EQ(plugin->samplePosition(), (int64_t)in.size());
        EXPECT_EQ(plugin->close(), 1);
    }
}

// `info` on either plug-in, and the demo from the demo folder beside the
// command (the source tree's is not there for a user).
TEST_F(UnpackedArchive, TheCommandRunsWithWhatLiesBesideIt) {
    const fs::path command = unpacked(TAMBORO_CLI_PATH);
    for (const char* built : {TAMBORO_PLUGIN_PATH, TAMBORO_TRANSCRIBER_PLUGIN_PATH}) {
        const Output info = run(quoted(command) + " info " + quoted(unpacked(built)));
        EXPECT_EQ(info.status, 0) << info.text;
        EXPECT_NE(info.text.find("Vendor           Quillon"), std::string::npos) << info.text;
    }
    const Output demo = run("env -u TAMBORO_DEMO_DIR " + quoted(command) + " demo -o " + quoted(*folder / "demo.mid"));
    EXPECT_EQ(demo.status, 0) << demo.text;
    EXPECT_NE(demo.text.find("Found 25 of 25"), std::string::npos) << demo.text;
    EXPECT_NE(demo.text.find((top() / "demo" / "loop.flac").string()), std::string::npos) << demo.text;
}

TEST_F(UnpackedArchive, CarriesTheInstallNoteAndTheLicences) {
    const std::string note = readText(top() / "INSTALL.txt");
    for (const char* place : {"~/.vst", "/usr/lib/vst", "/usr/local/lib/vst", "VST_PATH", "libsndfile1"})
        EXPECT_NE(note.find(place), std::string::npos) << place;
    EXPECT_EQ(note.find('@'), std::string::npos) << "a placeholder left in the note";
    EXPECT_EQ(readText(top() / "LICENSE"), readText(fs::path(TAMBORO_SOURCE_DIR) / "LICENSE"));
    EXPECT_EQ(readText(top() / "THIRD_PARTY.md"), readText(fs::path(TAMBORO_SOURCE_DIR) / "THIRD_PARTY.md"));
}

}  // namespace
