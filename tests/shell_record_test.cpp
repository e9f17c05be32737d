// The AEffect record and the entry point, as a host sees them.
#include <dlfcn.h>

#include <cstring>

#include "plugin_fixture.h"
#include "shell/plugin_info.h"

namespace {

intptr_t refuseVersion(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 0 : 1;
}

TEST_F(PluginTest, RecordCarriesTheProductFacts) {
    const AEffect& e = *plugin->effect();
    EXPECT_EQ(e.magic, 0x56737450);
    EXPECT_EQ(e.numPrograms, 1);
    EXPECT_EQ(e.numParams, 5);
    EXPECT_EQ(e.numInputs, 2);
    EXPECT_EQ(e.numOutputs, 2);
    EXPECT_EQ(e.flags, 0x1019);
    EXPECT_EQ(e.initialDelay, 100);
    EXPECT_EQ(e.uniqueID, 0x30343036);
    EXPECT_EQ(e.version, 1);
    EXPECT_EQ(e.ioRatio, 1.0f);
    EXPECT_EQ(e.resvd1, 0);
    EXPECT_EQ(e.resvd2, 0);
    EXPECT_EQ(e.realQualities, 0);
    EXPECT_EQ(e.offQualities, 0);
    EXPECT_NE(e.object, nullptr);
    for (char c : e.future) EXPECT_EQ(c, 0);
    EXPECT_NE(e.dispatcher, nullptr);
    EXPECT_NE(e.process, nullptr);
    EXPECT_NE(e.processReplacing, nullptr);
    EXPECT_NE(e.processDoubleReplacing, nullptr);
    EXPECT_NE(e.setParameter, nullptr);
    EXPECT_NE(e.getParameter, nullptr);
}

TEST_F(PluginTest, DeprecatedAccumulatingProcessLeavesOutputsAlone) {
    float in[4] = {1, 1, 1, 1}, outL[4] = {5, 5, 5, 5}, outR[4] = {5, 5, 5, 5};
    float* inputs[2] = {in, in};
    float* outputs[2] = {outL, outR};
    plugin->effect()->process(plugin->effect(), inputs, outputs, 4);
    for (float v : outL) EXPECT_EQ(v, 5.0f);
}

TEST(EntryPoint, BothNamesAreTheSameExportedFunction) {
    void* handle = dlopen(TAMBORO_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    void* main = dlsym(handle, "main");
    void* pluginMain = dlsym(handle, "VSTPluginMain");
    EXPECT_NE(pluginMain, nullptr);
    EXPECT_EQ(main, pluginMain);
    EXPECT_EQ(pluginLibrary().entryName(), "VSTPluginMain");
    dlclose(handle);
}

TEST(EntryPoint, AskedVersionFirstWithNullEffectAndZeroArguments) {
    auto plugin = newInstance();
    auto calls = plugin->calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_TRUE(calls[0].effectWasNull);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].opt, 0.0f);
    // Construction and resume make no other host call.
    EXPECT_EQ(calls.size(), 1u);
}

TEST(EntryPoint, HostAnsweringZeroToVersionGetsNoInstance) {
    EXPECT_EQ(host::Instance::callEntry(pluginLibrary(), refuseVersion), nullptr);
    host::HostSettings settings;
    settings.versionAnswer = 0;
    std::string error;
    EXPECT_EQ(host::Instance::create(pluginLibrary(), error, settings), nullptr);
}

TEST(EntryPoint, NullHostCallbackGetsNoInstance) {
    EXPECT_EQ(host::Instance::callEntry(pluginLibrary(), nullptr), nullptr);
}

TEST(EntryPoint, TwoInstancesSideBySideShareNothing) {
    auto a = newInstance();
    auto b = newInstance();
    EXPECT_NE(a->effect(), b->effect());
    EXPECT_NE(a->effect()->object, b->effect()->object);
    a->setParameter(plugin_info::kHighThreshold, 0.25f);
    char name[] = "Renamed";
    a->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(b->getParameter(plugin_info::kHighThreshold), 1.0f);
    EXPECT_EQ(b->getString(effGetProgramName), "Default");
    EXPECT_EQ(a->close(), 1);
    EXPECT_EQ(b->getParameter(plugin_info::kHighThreshold), 1.0f);
}

}  // namespace
