// Learning drums in template mode and recognising them on "Dynamic", as a
// user does it: one example hit of each drum, then a performance.
#include "tools/drum_synth.h"
#include "engine/engine_constants.h"
#include "engine_test_support.h"

namespace {

using namespace enginetest;
using drums::Kind;

// Long enough for the previous hit to ring out of the narrow low bands, so
// that each hit starts from the same state.
constexpr int64_t kSpacing = 4 * 44100;
constexpr Kind kDrums[kNumSlots] = {Kind::Kick, Kind::Snare, Kind::HiHat};
constexpr float kTemplateInstOf[kNumSlots] = {0.0f, 0.5f, 1.0f};

void play(host::Instance& plugin, Kind drum) {
    // Every hit of a drum is the same waveform.
    std::vector<float> hit = drums::render({{0, drum}}, kSpacing);
    run(plugin, Stereo(hit, hit));
}

std::vector<int> notesPlayed(host::Instance& plugin, const std::vector<int>& slots) {
    plugin.clearRecords();
    for (int slot : slots) play(plugin, kDrums[slot]);
    std::vector<int> notes;
    for (const Note& n : notesOf(plugin))
        if (n.status == kOn) notes.push_back(n.note);
    return notes;
}

void teach(host::Instance& plugin, const std::vector<std::pair<int, Kind>>& lessons) {
    for (auto [slot, drum] : lessons) {
        plugin.setParameter(kTemplateInst, kTemplateInstOf[slot]);
        play(plugin, drum);
    }
}

std::unique_ptr<host::Instance> listening() {
    auto plugin = newInstance();
    plugin->setParameter(kHighThreshold, 0.25f);
    plugin->setParameter(kRatioSelect, 1.0f);  // release at 0.25 / 119: one onset per hit
    return plugin;
}

TEST(Learning, TaughtDrumsAreRecognised) {
    auto plugin = listening();
    teach(*plugin, {{0, Kind::Kick}, {1, Kind::Snare}, {2, Kind::HiHat}});
    EXPECT_TRUE(plugin->midiEvents().empty());  // learning sends nothing
    plugin->setParameter(kFunction, kDetectionMode);
    const std::vector<int> expected = {36, 38, 42, 42, 38, 36, 38};
    EXPECT_EQ(notesPlayed(*plugin, {0, 1, 2, 2, 1, 0, 1}), expected);
}

// Untaught templates never score, and the tie keeps the first slot.
TEST(Learning, WithoutTemplatesEveryHitIsAKick) {
    auto plugin = listening();
    plugin->setParameter(kFunction, kDetectionMode);
    const std::vector<int> expected = {36, 36, 36};
    EXPECT_EQ(notesPlayed(*plugin, {1, 2, 0}), expected);
}

// Relearning a slot replaces what it held: kick and snare taught the wrong
// way round first, then corrected.
TEST(Learning, RelearningASlotReplacesIt) {
    auto plugin = listening();
    teach(*plugin, {{0, Kind::Snare}, {1, Kind::Kick}, {2, Kind::HiHat}});
    teach(*plugin, {{0, Kind::Kick}, {1, Kind::Snare}});
    plugin->setParameter(kFunction, kDetectionMode);
    const std::vector<int> expected = {38, 42, 36};
    EXPECT_EQ(notesPlayed(*plugin, {1, 2, 0}), expected);
}

}  // namespace
