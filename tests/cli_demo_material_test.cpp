// The shipped demo material is exactly what our generator makes, and holds
// the pattern the demo scores against.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>

#include "cli_test_support.h"
#include "tools/demo_material.h"

namespace {

std::vector<short> decode(const std::string& path, SF_INFO& info) {
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (!file) return {};
    std::vector<short> samples((size_t)(info.frames * info.channels));
    sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    return samples;
}

TEST(DemoMaterial, IsWhatTheGeneratorMakes) {
    cli_test::ScratchFolder scratch;
    std::string error;
    ASSERT_TRUE(demo::writeDemoMaterial(scratch.path(""), error)) << error;
    std::vector<std::string> names = {demo::kLoopFile};
    names.insert(names.end(), std::begin(demo::kHitFiles), std::end(demo::kHitFiles));
    for (const std::string& name : names) {
        SF_INFO shipped{}, fresh{};
        std::vector<short> a = decode(cli_test::demoFolder() + "/" + name, shipped);
        std::vector<short> b = decode(scratch.path(name), fresh);
        EXPECT_EQ(shipped.samplerate, demo::kSampleRate) << name;
        EXPECT_EQ(shipped.channels, 2) << name;
        EXPECT_TRUE(a == b) << name << " differs from the generator's output; run tamboro_make_demo demo";
    }
}

TEST(DemoMaterial, HitsStartWhereThePatternSays) {
    drums::Stereo loop = demo::renderLoop();
    ASSERT_EQ(loop.frames(), demo::kLoopFrames);
    auto loudest = [&](int64_t from, int64_t to) {
        float peak = 0.0f;
        for (int64_t i = from; i < to; i++) peak = std::max(peak, std::abs(loop.left[(size_t)i]));
        return peak;
    };
    constexpr int64_t kSpan = 200;
    for (const demo::Hit& hit : demo::kPattern) {
        int64_t at = demo::hitSample(hit);
        EXPECT_GT(loudest(at, at + kSpan), 4 * loudest(at - kSpan, at)) << "step " << hit.step;
    }
}

}  // namespace
