// Parameter storage, the "Ratio Select" coupling, read-back and texts.
#include <cmath>
#include <cstring>
#include <vector>

#include "plugin_fixture.h"
#include "shell/plugin_info.h"

namespace {

using namespace plugin_info;

std::string display(host::Instance& plugin, int32_t index) {
    return plugin.getString(effGetParamDisplay, index);
}

TEST_F(PluginTest, FreshValuesAndDisplays) {
    const float expected[kNumParams] = {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 6.0f};
    for (int32_t i = 0; i < kNumParams; i++) EXPECT_EQ(plugin->getParameter(i), expected[i]);
    EXPECT_EQ(display(*plugin, 0), "1.000000");
    EXPECT_EQ(display(*plugin, 1), "1.000000");
    for (int32_t i = 2; i <= 6; i++) EXPECT_EQ(display(*plugin, i), "0.000000") << i;
    EXPECT_EQ(plugin->getParameter(-1), 0.0f);
    EXPECT_EQ(plugin->getParameter(7), 0.0f);
}

TEST_F(PluginTest, NamesAndLabels) {
    const char* names[] = {"High Threshold", "Low Threshold", "Drum Select", "Function",
                           "Template Inst",  "Ratio Select",  "Ratio Divide"};
    const char* labels[] = {"High Thresh",  "Low Thresh",   "Drum Select", "Function",
                            "Template Ins", "Ratio Select", "Ratio Divide"};
    for (int32_t i = 0; i < kNumParams; i++) {
        EXPECT_EQ(plugin->getString(effGetParamName, i), names[i]);
        EXPECT_EQ(plugin->getString(effGetParamLabel, i), labels[i]);
    }
}

TEST_F(PluginTest, TextsStayInsideTheirBuffersAndUnknownIndicesWriteNothing) {
    std::vector<char> buffer(32, '\x5A');
    plugin->dispatch(effGetParamName, 0, 0, buffer.data());
    EXPECT_STREQ(buffer.data(), "High Threshold");
    for (size_t i = 15; i < buffer.size(); i++) EXPECT_EQ(buffer[i], '\x5A');
    buffer.assign(32, '\x5A');
    plugin->dispatch(effGetParamDisplay, 0, 0, buffer.data());
    for (size_t i = 9; i < buffer.size(); i++) EXPECT_EQ(buffer[i], '\x5A');
    for (int32_t op : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        for (int32_t index : {-1, 7, 100}) {
            buffer.assign(32, '\x5A');
            plugin->dispatch(op, index, 0, buffer.data());
            for (char c : buffer) EXPECT_EQ(c, '\x5A');
        }
}

TEST_F(PluginTest, ValuesAreStoredUnchanged) {
    plugin->setParameter(kLowThreshold, 0.3f);
    EXPECT_EQ(plugin->getParameter(kLowThreshold), 0.3f);
    plugin->setParameter(kHighThreshold, 2.0f);
    EXPECT_EQ(plugin->getParameter(kHighThreshold), 2.0f);
    EXPECT_EQ(display(*plugin, kHighThreshold), "2.000000");
    plugin->setParameter(kHighThreshold, -0.5f);
    EXPECT_EQ(display(*plugin, kHighThreshold), "-0.50000");
    plugin->setParameter(kRatioDivide, 19.0f);
    EXPECT_EQ(plugin->getParameter(kRatioDivide), 6.0f);
    EXPECT_EQ(display(*plugin, kRatioDivide), "19.00000");
}

TEST_F(PluginTest, IndexOutOfRangeChangesNothing) {
    plugin->setParameter(7, 0.5f);
    plugin->setParameter(-1, 0.5f);
    const float expected[kNumParams] = {1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 6.0f};
    for (int32_t i = 0; i < kNumParams; i++) EXPECT_EQ(plugin->getParameter(i), expected[i]);
}

TEST_F(PluginTest, SwitchDisplaysArePercentagesRoundedDown) {
    struct Case { float value; const char* text; };
    for (Case c : {Case{1.0f / 3.0f, "33.00000"}, Case{2.0f / 3.0f, "66.00000"},
                   Case{0.25f, "25.00000"}, Case{0.5f, "50.00000"}, Case{0.75f, "75.00000"},
                   Case{1.0f, "100.0000"}}) {
        plugin->setParameter(kDrumSelect, c.value);
        EXPECT_EQ(display(*plugin, kDrumSelect), c.text) << c.value;
    }
    plugin->setParameter(kFunction, 1.0f);
    EXPECT_EQ(display(*plugin, kFunction), "100.0000");
    plugin->setParameter(kTemplateInst, 0.5f);
    EXPECT_EQ(display(*plugin, kTemplateInst), "50.00000");
}

TEST_F(PluginTest, NonFiniteAndHugeDisplays) {
    plugin->setParameter(kHighThreshold, NAN);
    EXPECT_EQ(display(*plugin, kHighThreshold), "NaN");
    plugin->setParameter(kHighThreshold, INFINITY);
    EXPECT_EQ(display(*plugin, kHighThreshold), "Huge!");
    plugin->setParameter(kHighThreshold, -1e9f);
    EXPECT_EQ(display(*plugin, kHighThreshold), "Huge!");
    plugin->setParameter(kDrumSelect, NAN);
    EXPECT_EQ(display(*plugin, kDrumSelect), "NaN");
}

TEST_F(PluginTest, RatioSelectedLowThresholdIsDerivedFromHigh) {
    plugin->setParameter(kRatioSelect, 0.25f);
    plugin->setParameter(kRatioDivide, 19.0f);
    plugin->setParameter(kHighThreshold, 0.5f);
    plugin->setParameter(kLowThreshold, 0.9f);
    EXPECT_EQ(plugin->getParameter(kLowThreshold), (float)(0.5 / 19.0));
    EXPECT_EQ(display(*plugin, kLowThreshold), "0.026315");
}

TEST_F(PluginTest, RatioSelectedBeforeAnyDivisorDividesByZero) {
    plugin->setParameter(kRatioSelect, 0.5f);
    plugin->setParameter(kLowThreshold, 0.4f);
    EXPECT_TRUE(std::isinf(plugin->getParameter(kLowThreshold)));
}

TEST_F(PluginTest, RatioSwitchedOffStoresLowThresholdAgain) {
    plugin->setParameter(kRatioSelect, 0.5f);
    EXPECT_EQ(plugin->getParameter(kRatioSelect), 0.5f);
    plugin->setParameter(kRatioSelect, 0.0f);
    plugin->setParameter(kLowThreshold, 0.4f);
    EXPECT_EQ(plugin->getParameter(kLowThreshold), 0.4f);
}

TEST_F(PluginTest, StrayRatioSelectValuesDoNotLockTheParameters) {
    for (float stray : {0.1f, NAN, -0.5f}) {
        plugin->setParameter(kRatioSelect, stray);
        plugin->setParameter(kHighThreshold, 0.75f);
        EXPECT_EQ(plugin->getParameter(kHighThreshold), 0.75f);
        plugin->setParameter(kLowThreshold, 0.125f);
        EXPECT_EQ(plugin->getParameter(kLowThreshold), 0.125f);
        plugin->setParameter(kRatioSelect, 0.0f);
        EXPECT_EQ(plugin->getParameter(kRatioSelect), 0.0f);
    }
}

}  // namespace
