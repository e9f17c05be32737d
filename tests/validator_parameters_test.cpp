// Parameters set to values no control produces (out of range, negative,
// huge, not a number, infinite, subnormal, inside the ratio switch's gaps),
// through every index including unannounced and invalid ones. Afterwards
// every text reads back within its limits, processing stays well-behaved,
// and the instance can still be set to normal values.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "plugin_fixture.h"
#include "plugins_under_test.h"
#include "shell/plugin_info.h"
#include "validator_support.h"

namespace {

using namespace plugin_info;

const float kWildValues[] = {-1.0f,     -0.0f,   2.0f,     1e30f,      -1e30f,
                             FLT_MAX,   -FLT_MAX, FLT_MIN, 1e-45f,     NAN,
                             -NAN,      INFINITY, -INFINITY, 0.2499999f, 1e-7f,
                             0.25f,     1.0f / 3.0f};
constexpr int32_t kFirstIndex = -1;
constexpr int32_t kLastIndex = 8;
constexpr size_t kTextBuffer = 64;
constexpr char kFill = '\x7e';
// Longest name 14, label 12, display 8 characters (each plus a terminator).
constexpr size_t kLongestText[] = {12, 8, 14};  // label, display, name

struct TextCheck {
    bool ok = true;
    std::string problem;
};

// Reads one text opcode into a patterned buffer: the answer must be
// printable, terminated within its limit, with nothing written after it.
TextCheck readText(host::Instance& plugin, int32_t opcode, int32_t index) {
    char buffer[kTextBuffer];
    memset(buffer, kFill, sizeof buffer);
    plugin.dispatch(opcode, index, 0, buffer);
    TextCheck check;
    const void* end = memchr(buffer, 0, sizeof buffer);
    bool untouched = buffer[0] == kFill;
    if (untouched) return check;  // an invalid index leaves the text as it was
    size_t limit = kLongestText[opcode - effGetParamLabel];
    if (!end) {
        check = {false, "no terminator"};
        return check;
    }
    size_t length = (size_t)((const char*)end - buffer);
    if (length > limit) check = {false, "text of " + std::to_string(length) + " characters"};
    for (size_t i = 0; i < length; i++)
        if (buffer[i] < 0x20 || buffer[i] > 0x7e) check = {false, "unprintable character"};
    for (size_t i = length + 1; i < sizeof buffer; i++)
        if (buffer[i] != kFill) check = {false, "byte " + std::to_string(i) + " written after the text"};
    return check;
}

void expectAllTextsSound(host::Instance& plugin, const std::string& context) {
    for (int32_t op : {effGetParamLabel, effGetParamDisplay, effGetParamName})
        for (int32_t index = kFirstIndex; index <= kLastIndex; index++) {
            TextCheck check = readText(plugin, op, index);
            EXPECT_TRUE(check.ok) << context << ": opcode " << op << " index " << index << ": "
                                  << check.problem;
        }
}

class WildParametersOnEveryPlugin : public EveryPlugin {};

// On both plug-ins; Tamboro set to detect the test signal's hits.
TEST_P(WildParametersOnEveryPlugin, TextsStayWithinLimitsAndProcessingStaysSound) {
    int tried = 0;
    for (int32_t index = kFirstIndex; index <= kLastIndex; index++) {
        auto plugin = newInstanceOf(GetParam());
        if (isTamboro(GetParam())) validator::setDetection(*plugin);
        for (float value : kWildValues) {
            std::string context = "index " + std::to_string(index) + " = " + std::to_string(value);
            plugin->setParameter(index, value);
            for (int32_t read = kFirstIndex; read <= kLastIndex; read++) plugin->getParameter(read);
            expectAllTextsSound(*plugin, context);
            validator::MidiFaults faults;
            validator::processChecked(*plugin, validator::drumPattern(1, 3000), 256, faults);
            EXPECT_TRUE(faults.empty()) << context << "\n" << faults.text();
            expectAllTextsSound(*plugin, context + ", after processing");
            tried++;
        }
    }
    RecordProperty("values_tried", tried);
}

INSTANTIATE_FOR_EVERY_PLUGIN(WildParametersOnEveryPlugin);

// Whatever was stored before, switching the ratio off makes every parameter
// settable again and read back exactly.
TEST(WildParameters, NormalValuesCanBeSetAgainAfterwards) {
    for (float wild : kWildValues) {
        auto plugin = newInstance();
        for (int32_t index = 0; index < kNumParams; index++) plugin->setParameter(index, wild);
        validator::MidiFaults faults;
        validator::processChecked(*plugin, validator::drumPattern(1, 1000), 512, faults);
        plugin->setParameter(kRatioSelect, 0.0f);
        ASSERT_EQ(plugin->getParameter(kRatioSelect), 0.0f) << "after " << wild;
        const float normal[] = {0.5f, 0.4f, validator::kDrumSnare, 1.0f, 0.5f};
        for (int32_t index = 0; index < kNumAnnouncedParams; index++) {
            plugin->setParameter(index, normal[index]);
            EXPECT_EQ(plugin->getParameter(index), normal[index])
                << "parameter " << index << " after " << wild;
        }
    }
}

// After wild thresholds, normal ones give the same notes as on a fresh instance.
TEST(WildParameters, DetectionRecoversWithNormalThresholds) {
    validator::Stereo pattern = validator::drumPattern(3);
    auto reference = newInstance();
    validator::setDetection(*reference);
    validator::MidiFaults faults;
    validator::processChecked(*reference, pattern, 512, faults);
    auto expected = validator::noteOns(reference->midiEvents());
    ASSERT_FALSE(expected.empty());

    for (float wild : {NAN, INFINITY, -INFINITY, -1.0f, 1e30f, 0.0f}) {
        auto plugin = newInstance();
        validator::setDetection(*plugin);
        plugin->setParameter(kHighThreshold, wild);
        plugin->setParameter(kLowThreshold, wild);
        validator::processChecked(*plugin, validator::drumPattern(3), 512, faults);
        validator::processChecked(*plugin, validator::Stereo{std::vector<float>(88200),
                                                             std::vector<float>(88200)},
                                  512, faults);
        validator::setDetection(*plugin);
        plugin->clearRecords();
        int64_t start = plugin->samplePosition();
        validator::processChecked(*plugin, pattern, 512, faults);
        auto got = validator::noteOns(plugin->midiEvents());
        ASSERT_EQ(got.size(), expected.size()) << "after thresholds " << wild;
        for (size_t i = 0; i < got.size(); i++) {
            // A trace of the earlier hits still rings in the lowest band.
            EXPECT_NEAR(got[i].samplePosition - start, expected[i].samplePosition, 2);
            EXPECT_EQ(got[i].data1(), expected[i].data1());
        }
    }
    EXPECT_TRUE(faults.empty()) << faults.text();
}

}  // namespace
