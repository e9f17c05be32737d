// Tamboro Transcriber's editor in a host window on a private X server,
// driven only through the plug-in library: learn buttons arm drums as host
// automation, host changes show, hits reach the strip.
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

// Google Test before Xlib, whose macros (None) break its headers.
#include "private_x_server.h"
#include "tests/transcriber_plugin_support.h"
#include "transcriber_editor/transcriber_editor_layout.h"
#include "fake_x_input.h"

namespace {

using namespace transcriber_plugin_test;
using namespace transcriber_plugin_info;
namespace layout = transcriber_editor_layout;

::testing::Environment* const xServer = ::testing::AddGlobalTestEnvironment(new PrivateXServer);

constexpr auto kTimeout = std::chrono::seconds(10);

uint32_t rgb(CColor c) { return (uint32_t)c.red << 16 | (uint32_t)c.green << 8 | c.blue; }

// Pixels of this colour inside area.
int pixelsOf(const host::Picture& shot, const CRect& area, CColor color) {
    int count = 0;
    for (int y = area.top; y < area.bottom; y++)
        for (int x = area.left; x < area.right; x++) count += shot.at(x, y) == rgb(color);
    return count;
}

CRect learnButton(int drum) { return layout::columnRect(drum, layout::kLearnTop, layout::kLearnHeight); }
CRect slider(int drum) { return layout::columnRect(drum, layout::kSliderTop, layout::kSliderHeight); }
CRect lane(int drum) {
    const CRect& all = layout::kLanes;
    return {all.left, all.top + all.height() * drum / kNumDrums, all.right, all.top + all.height() * (drum + 1) / kNumDrums};
}
// A pixel of a button's fill, clear of its frame and title.
CPoint fillPixel(const CRect& button) { return {button.left + 3, button.top + 3}; }

class TranscriberEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = newTranscriber();
        ASSERT_TRUE(plugin);
        parent = std::make_unique<host::EditorHostWindow>(layout::kWidth, layout::kHeight, "transcriber editor");
        ASSERT_TRUE(parent->isOpen());
    }
    intptr_t openEditor() { return plugin->dispatch(effEditOpen, 0, 0, parent->parentHandle()); }
    host::Picture picture() {
        plugin->dispatch(effEditIdle);
        return parent->capture();
    }
    bool idleUntil(const std::function<bool(const host::Picture&)>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            if (done(picture())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    bool buttonShows(int drum, CColor fill) {
        return idleUntil([&](const host::Picture& shot) {
            CPoint p = fillPixel(learnButton(drum));
            return shot.at(p.x, p.y) == rgb(fill);
        });
    }
    // The opcodes the host heard about parameter index, in order.
    std::vector<int32_t> gesturesOn(int32_t index) {
        std::vector<int32_t> opcodes;
        for (const host::CallbackRecord& call : plugin->calls())
            if (call.index == index && (call.opcode == audioMasterBeginEdit || call.opcode == audioMasterAutomate ||
                                        call.opcode == audioMasterEndEdit))
                opcodes.push_back(call.opcode);
        return opcodes;
    }

    std::unique_ptr<host::Instance> plugin;
    std::unique_ptr<host::EditorHostWindow> parent;
};

TEST_F(TranscriberEditorTest, ClickingALearnButtonArmsItsDrumInOneAutomationGesture) {
    ASSERT_EQ(openEditor(), 1);
    ASSERT_TRUE(buttonShows(1, layout::kUnlearnt));
    plugin->clearRecords();
    editor_test::FakeInput input(*parent);
    const CRect snare = learnButton(1);
    input.click(snare.left + snare.width() / 2, snare.top + snare.height() / 2);
    ASSERT_TRUE(buttonShows(1, layout::kArmed));
    EXPECT_EQ(plugin->getParameter(kSnareLearn), 1.0f);
    EXPECT_EQ(display(*plugin, kSnareLearn), "armed");
    EXPECT_EQ(gesturesOn(kSnareLearn),
              (std::vector<int32_t>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
    EXPECT_TRUE(gesturesOn(kKickLearn).empty());
    // A second click disarms it again.
    input.click(snare.left + 5, snare.top + 5);
    EXPECT_TRUE(buttonShows(1, layout::kUnlearnt));
    EXPECT_EQ(plugin->getParameter(kSnareLearn), 0.0f);
}

TEST_F(TranscriberEditorTest, HostChangesShowAtIdleAndAreNotSentBack) {
    ASSERT_EQ(openEditor(), 1);
    plugin->clearRecords();
    plugin->setParameter(kHiHatLearn, 1.0f);
    plugin->setParameter(kKickSensitivity, 1.0f);
    plugin->setParameter(kSnareSensitivity, 0.0f);
    EXPECT_TRUE(buttonShows(2, layout::kArmed));
    host::Picture shot = picture();
    const CRect kick = slider(0), snare = slider(1);
    EXPECT_EQ(shot.at(kick.right - 3, kick.top + 5), rgb(layout::kSliderFill));
    EXPECT_EQ(shot.at(snare.left + 3, snare.top + 5), rgb(layout::kSliderTrack));
    EXPECT_EQ(plugin->countCalls(audioMasterAutomate), 0u);
    EXPECT_EQ(plugin->countCalls(audioMasterBeginEdit), 0u);
}

TEST_F(TranscriberEditorTest, ChangesFromAnotherThreadShowAtTheNextIdle) {
    ASSERT_EQ(openEditor(), 1);
    std::atomic<bool> done{false};
    std::thread automation([this, &done] {
        for (int i = 0; i < 5000; i++) {
            plugin->setParameter(kKickSensitivity, (float)(i % 100) / 100.0f);
            plugin->setParameter(kHiHatLearn, (float)(i % 2));
        }
        plugin->setParameter(kKickSensitivity, 0.0f);
        plugin->setParameter(kHiHatLearn, 1.0f);
        done = true;
    });
    while (!done) plugin->dispatch(effEditIdle);
    automation.join();
    EXPECT_TRUE(buttonShows(2, layout::kArmed));
    const CRect kick = slider(0);
    EXPECT_EQ(picture().at(kick.left + 3, kick.top + 5), rgb(layout::kSliderTrack));
}

TEST_F(TranscriberEditorTest, LearningTurnsTheButtonGreenAndHitsScrollThroughTheirLanes) {
    ASSERT_EQ(openEditor(), 1);
    teachLive(*plugin, transcriber::Drum::Kick);
    EXPECT_TRUE(buttonShows(0, layout::kLearned));
    EXPECT_TRUE(buttonShows(1, layout::kUnlearnt));
    teachLive(*plugin, transcriber::Drum::HiHat);
    picture();  // the hits of teaching are shown and soon gone; start from a quiet strip
    std::vector<drums::any_rate::PlacedHit> kicks;
    for (int i = 0; i < 4; i++) kicks.push_back({transcriber::Drum::Kick, 0.25 * i, 1.0f});
    play(*plugin, drums::any_rate::render(kicks, 2.0, kRate), 512);
    EXPECT_TRUE(idleUntil([](const host::Picture& shot) { return pixelsOf(shot, lane(0), layout::kHitMark) > 0; }));
    EXPECT_EQ(pixelsOf(picture(), lane(1), layout::kHitMark), 0);
}

// Careless hosts (open twice, close twice, close without open, destroy with
// the editor open) are tried on both plug-ins in validator_lifecycle_test.
TEST_F(TranscriberEditorTest, HostChangesWhileClosedShowAtTheNextOpen) {
    ASSERT_EQ(openEditor(), 1);
    plugin->dispatch(effEditClose);
    // The editor's controls are gone now; this must not reach them.
    plugin->setParameter(kKickLearn, 1.0f);
    plugin->dispatch(effEditIdle);
    ASSERT_EQ(openEditor(), 1);
    EXPECT_TRUE(buttonShows(0, layout::kArmed));
}

}  // namespace
