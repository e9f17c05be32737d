// The plug-ins the generic validator suites run on: both libraries, each
// loaded once per test program, with the facts those suites compare against.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <ostream>
#include <memory>
#include <string>

#include "host/plugin_host.h"
#include "shell/plugin_info.h"
#include "transcriber_editor/transcriber_editor_layout.h"
#include "transcriber_shell/transcriber_plugin_info.h"

struct PluginUnderTest {
    const char* name;  // for test names
    const char* path;
    const char* effectName;
    int32_t parameterSlots;  // indices from here on are no parameter
    int32_t editorWidth, editorHeight;
};

inline const PluginUnderTest kPluginsUnderTest[] = {
    {"Tamboro", TAMBORO_PLUGIN_PATH, plugin_info::kEffectName, plugin_info::kNumParams, plugin_info::kEditorWidth,
     plugin_info::kEditorHeight},
    {"TamboroTranscriber", TAMBORO_TRANSCRIBER_PLUGIN_PATH, transcriber_plugin_info::kEffectName,
     transcriber_plugin_info::kNumParams, transcriber_editor_layout::kWidth, transcriber_editor_layout::kHeight},
};

// Test output names the plug-in rather than dumping the record's bytes.
inline void PrintTo(const PluginUnderTest& plugin, std::ostream* out) { *out << plugin.name; }

inline std::string pluginTestName(const ::testing::TestParamInfo<PluginUnderTest>& info) {
    return info.param.name;
}

inline const host::PluginLibrary& libraryOf(const PluginUnderTest& plugin) {
    static std::map<std::string, std::unique_ptr<host::PluginLibrary>> libraries;
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<host::PluginLibrary>& library = libraries[plugin.path];
    if (!library) {
        std::string error;
        library = host::PluginLibrary::open(plugin.path, error);
        if (!library) {
            ADD_FAILURE() << error;
            std::abort();
        }
    }
    return *library;
}

inline const PluginUnderTest& tamboroUnderTest() { return kPluginsUnderTest[0]; }
inline const PluginUnderTest& transcriberUnderTest() { return kPluginsUnderTest[1]; }
// A test's parameter is a copy: compared by library.
inline bool isTamboro(const PluginUnderTest& plugin) { return std::string(plugin.path) == tamboroUnderTest().path; }

inline std::unique_ptr<host::Instance> newInstanceOf(const PluginUnderTest& plugin,
                                                     host::HostSettings settings = {}) {
    std::string error;
    auto instance = host::Instance::create(libraryOf(plugin), error, settings);
    EXPECT_TRUE(instance) << error;
    return instance;
}

// A suite run once per plug-in.
class EveryPlugin : public ::testing::TestWithParam<PluginUnderTest> {};

#define INSTANTIATE_FOR_EVERY_PLUGIN(suite) \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::ValuesIn(kPluginsUnderTest), pluginTestName)
