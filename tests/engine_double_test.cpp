// The 64-bit processing call seen from the host: the same notes as the
// 32-bit call, state of its own where the two paths keep twins, and the
// user's thresholds.
#include "engine/engine_constants.h"
#include "tools/drum_synth.h"
#include "engine_test_support.h"

namespace {

using namespace enginetest;
using drums::Kind;

TEST(DoublePath, SameNotesAsTheSinglePath) {
    constexpr int64_t kFrames = 6 * 44100;
    std::vector<float> drums = drums::render(drums::groove(kFrames, 11025), kFrames);
    for (float drum : {kSnare, 0.0f}) {  // fixed, and "Dynamic" untaught
        std::vector<Note> notes[2];
        for (Path path : kBothPaths) {
            auto plugin = newInstance();
            plugin->setParameter(kFunction, kDetectionMode);
            plugin->setParameter(kDrumSelect, drum);
            plugin->setParameter(kHighThreshold, 0.3f);
            plugin->setParameter(kRatioSelect, 0.5f);
            run(*plugin, Stereo(drums, drums), kBlock, path);
            notes[(int)path] = notesOf(*plugin);
        }
        ASSERT_GE(notes[0].size(), 20u);
        EXPECT_EQ(notes[0], notes[1]) << drum;
    }
}

constexpr int64_t kSpacing = 4 * 44100;  // each hit rings out before the next

void play(host::Instance& plugin, Kind drum, Path path) {
    std::vector<float> hit = drums::render({{0, drum}}, kSpacing);
    run(plugin, Stereo(hit, hit), kBlock, path);
}

std::vector<int> notesPlayed(host::Instance& plugin, Path path) {
    plugin.setParameter(kFunction, kDetectionMode);
    plugin.clearRecords();
    for (Kind drum : {Kind::Snare, Kind::HiHat, Kind::Kick}) play(plugin, drum, path);
    std::vector<int> notes;
    for (const Note& n : notesOf(plugin))
        if (n.status == kOn) notes.push_back(n.note);
    return notes;
}

TEST(DoublePath, TemplatesBelongToThePathThatLearnedThem) {
    const std::vector<int> recognised = {38, 42, 36};
    for (Path learner : kBothPaths) {
        const Path other = learner == Path::Single ? Path::Double : Path::Single;
        auto plugin = newInstance();
        plugin->setParameter(kHighThreshold, 0.25f);
        plugin->setParameter(kRatioSelect, 1.0f);
        const std::pair<float, Kind> lessons[] = {
            {0.0f, Kind::Kick}, {0.5f, Kind::Snare}, {1.0f, Kind::HiHat}};
        for (auto [inst, drum] : lessons) {
            plugin->setParameter(kTemplateInst, inst);
            play(*plugin, drum, learner);
        }
        // Untaught templates cannot tell the drums apart: one note for all three.
        const std::vector<int> untaught = notesPlayed(*plugin, other);
        ASSERT_EQ(untaught.size(), 3u);
        EXPECT_TRUE(untaught[0] == untaught[1] && untaught[1] == untaught[2]);
        EXPECT_EQ(notesPlayed(*plugin, learner), recognised);
    }
}

// After loud input through the 32-bit path, the 64-bit path's level and
// velocity means still start from zero.
TEST(DoublePath, LevelAndMeansAreItsOwn) {
    auto plugin = detectingInstance();
    hold(*plugin, 2000, 1.0f);  // the 32-bit level is far above 0.05 now
    plugin->setParameter(kHighThreshold, 0.05f);
    hold(*plugin, 1, 0.0f, Path::Double);
    EXPECT_TRUE(plugin->midiEvents().empty());  // this path's level is still 0
    hold(*plugin, 1, 1.0f, Path::Single);
    ASSERT_EQ(plugin->midiEvents().size(), 1u);
    EXPECT_EQ(plugin->midiEvents()[0].data2(), 126);  // from the 32-bit rings of 1.0

    auto fresh = detectingInstance();
    hold(*fresh, 100, 1.0f);
    startHit(*fresh, 0.0f, Path::Double);  // the 64-bit rings hold nothing yet
    ASSERT_EQ(fresh->midiEvents().size(), 1u);
    EXPECT_EQ(fresh->midiEvents()[0].data2(), 0);
}

// The host's thresholds reach this path, and a ratio is written back to
// "Low Threshold" and "Ratio Divide" as on the 32-bit path.
TEST(DoublePath, HostThresholdsTakeEffect) {
    auto plugin = detectingInstance();
    plugin->setParameter(kHighThreshold, 0.5f);
    plugin->setParameter(kRatioSelect, 0.25f);
    hold(*plugin, 1, 0.0f, Path::Double);
    EXPECT_EQ(plugin->getParameter(kLowThreshold), (float)((0.5 / 19) / (double)0.1f));
    EXPECT_EQ(plugin->getString(effGetParamDisplay, kRatioDivide), "19.00000");
    EXPECT_TRUE(plugin->midiEvents().empty());
    startHit(*plugin, 0.0f, Path::Double);  // "High Threshold" 0.0
    EXPECT_EQ(plugin->midiEvents().size(), 1u);
}

}  // namespace
