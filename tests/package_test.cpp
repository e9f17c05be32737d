// The release archive as a user unpacks it (the test's fixture unpacks it):
// its plug-ins load in a host and process from there, it carries the install
// note and the licences, and on Linux its command runs with what lies beside
// it.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/plugin_host.h"
#include "shell/plugin_info.h"
#include "transcriber_shell/transcriber_plugin_info.h"

namespace {

std::string unpacked(const std::string& name) { return std::string(TAMBORO_UNPACKED) + "/" + name; }

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UnpackedArchive, BothPlugInsLoadAndProcessFromThere) {
    const std::pair<const char*, const char*> plugins[] = {
        {TAMBORO_PLUGIN_FILE, plugin_info::kEffectName},
        {TAMBORO_TRANSCRIBER_FILE, transcriber_plugin_info::kEffectName}};
    for (const auto& [file, name] : plugins) {
        std::string error;
        auto library = host::PluginLibrary::open(unpacked(file), error);
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

TEST(UnpackedArchive, CarriesTheInstallNoteAndTheLicences) {
    const std::string note = readText(unpacked("INSTALL.txt"));
#ifdef _WIN32
    const char* const places[] = {"C:\\Program Files\\VSTPlugins", TAMBORO_TRANSCRIBER_FILE};
#else
    const char* const places[] = {"~/.vst", "/usr/lib/vst", "/usr/local/lib/vst", "VST_PATH", "libsndfile1"};
#endif
    for (const char* place : places) EXPECT_NE(note.find(place), std::string::npos) << place;
    EXPECT_EQ(note.find('@'), std::string::npos) << "a placeholder left in the note";
    for (const char* licence : {"LICENSE", "THIRD_PARTY.md"})
        EXPECT_EQ(readText(unpacked(licence)), readText(std::string(TAMBORO_SOURCE_DIR) + "/" + licence)) << licence;
}

#ifdef TAMBORO_COMMAND_FILE
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

std::string quoted(const std::string& path) { return "'" + path + "'"; }

// `info` on either plug-in, and the demo from the demo folder beside the
// command (the source tree's is not there for a user).
TEST(UnpackedArchive, TheCommandRunsWithWhatLiesBesideIt) {
    const std::string command = quoted(unpacked(TAMBORO_COMMAND_FILE));
    for (const char* plugin : {TAMBORO_PLUGIN_FILE, TAMBORO_TRANSCRIBER_FILE}) {
        const Output info = run(command + " info " + quoted(unpacked(plugin)));
        EXPECT_EQ(info.status, 0) << info.text;
        EXPECT_NE(info.text.find("Vendor           Quillon"), std::string::npos) << info.text;
    }
    const Output demo = run("env -u TAMBORO_DEMO_DIR " + command + " demo --force -o " + quoted(unpacked("demo.mid")));
    EXPECT_EQ(demo.status, 0) << demo.text;
    EXPECT_NE(demo.text.find("Found 25 of 25"), std::string::npos) << demo.text;
    EXPECT_NE(demo.text.find(unpacked("demo/loop.flac")), std::string::npos) << demo.text;
}

// kissfft is linked in, so the note asks for no library of it.
TEST(UnpackedArchive, TheTranscriberNeedsNoKissfftLibrary) {
    for (const char* file : {TAMBORO_TRANSCRIBER_FILE, TAMBORO_COMMAND_FILE}) {
        const Output dynamic = run("readelf -d " + quoted(unpacked(file)));
        EXPECT_EQ(dynamic.status, 0) << dynamic.text;
        EXPECT_NE(dynamic.text.find("(NEEDED)"), std::string::npos) << file;
        EXPECT_EQ(dynamic.text.find("kissfft"), std::string::npos) << file;
    }
}
#endif

}  // namespace
