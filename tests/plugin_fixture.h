// Loads the built plug-in once per test program and creates instances of it
// through the host library, exactly as a host would.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/plugin_host.h"

inline const host::PluginLibrary& pluginLibrary() {
    static std::unique_ptr<host::PluginLibrary> library = [] {
        std::string error;
        auto lib = host::PluginLibrary::open(TAMBORO_PLUGIN_PATH, error);
        if (!lib) {
            ADD_FAILURE() << error;
            std::abort();
        }
        return lib;
    }();
    return *library;
}

inline std::unique_ptr<host::Instance> newInstance(host::HostSettings settings = {}) {
    std::string error;
    auto instance = host::Instance::create(pluginLibrary(), error, settings);
    EXPECT_TRUE(instance) << error;
    return instance;
}

class PluginTest : public ::testing::Test {
protected:
    void SetUp() override { plugin = newInstance(); }
    std::unique_ptr<host::Instance> plugin;
};
