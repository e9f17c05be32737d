// Instances as hosts create them: many in a row, many alive at once, from
// several threads, and with the editor opened and closed in every order a
// host may choose. Leaks show up in the sanitizer build's leak check.
#include <algorithm>
#include <cstdlib>
#include <random>
#include <thread>

#include "plugin_fixture.h"
#include "plugins_under_test.h"
#include "validator_detecting.h"
#include "validator_support.h"

namespace {

using validator::MidiFaults;
using validator::ParentWindow;
using validator::Stereo;

constexpr int kInstancesInARow = 300;
constexpr int kInstancesAtOnce = 64;
constexpr int kCreatorThreads = 4;
constexpr int kInstancesPerThread = 40;
constexpr int kEditorCycles = 25;

void touch(host::Instance& plugin) {
    plugin.dispatch(effOpen);
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin.dispatch(effSetBlockSize, 0, 256);
    plugin.dispatch(effMainsChanged, 0, 1);
    Stereo hit = validator::drumHit(validator::Drum::Snare);
    MidiFaults faults;
    validator::processChecked(plugin, hit, 256, faults);
    EXPECT_TRUE(faults.empty()) << faults.text();
    plugin.dispatch(effMainsChanged, 0, 0);
}

class EveryPluginLifecycle : public EveryPlugin {};

TEST_P(EveryPluginLifecycle, ManyInstancesOneAfterAnother) {
    for (int i = 0; i < kInstancesInARow; i++) {
        auto plugin = newInstanceOf(GetParam());
        ASSERT_TRUE(plugin);
        touch(*plugin);
        EXPECT_EQ(plugin->close(), 1);
    }
}

// Instances alive side by side and fed the same signal block by block, in
// turn, must produce the same output and the same notes: any state shared
// between them would make them drift apart.
TEST_P(EveryPluginLifecycle, ManyInstancesAtOnceStayIndependent) {
    const validator::Detecting detecting = validator::detectingWith(GetParam(), validator::drumPattern(3, 4000));
    std::vector<std::unique_ptr<host::Instance>> plugins;
    for (int i = 0; i < kInstancesAtOnce; i++) {
        plugins.push_back(newInstanceOf(GetParam()));
        ASSERT_TRUE(plugins.back());
        detecting.prepare(*plugins.back());
    }
    const Stereo& input = detecting.signal;
    std::vector<Stereo> outputs(plugins.size());
    constexpr int32_t kBlock = 441;
    for (size_t start = 0; start < input.size(); start += kBlock) {
        Stereo block;
        size_t end = std::min(input.size(), start + kBlock);
        block.left.assign(input.left.begin() + start, input.left.begin() + end);
        block.right.assign(input.right.begin() + start, input.right.begin() + end);
        for (size_t i = 0; i < plugins.size(); i++) {
            MidiFaults faults;
            validator::processChecked(*plugins[i], block, kBlock, faults, &outputs[i]);
            ASSERT_TRUE(faults.empty()) << faults.text();
        }
    }
    auto firstEvents = plugins[0]->midiEvents();
    ASSERT_FALSE(firstEvents.empty());
    for (size_t i = 1; i < plugins.size(); i++) {
        EXPECT_EQ(outputs[i].left, outputs[0].left) << "instance " << i;
        EXPECT_EQ(outputs[i].right, outputs[0].right) << "instance " << i;
        auto events = plugins[i]->midiEvents();
        ASSERT_EQ(events.size(), firstEvents.size()) << "instance " << i;
        for (size_t e = 0; e < events.size(); e++)
            EXPECT_EQ(events[e].samplePosition, firstEvents[e].samplePosition);
    }
    // Hosts close instances in whatever order their user removes them.
    std::shuffle(plugins.begin(), plugins.end(), std::mt19937(7));
    for (auto& plugin : plugins) EXPECT_EQ(plugin->close(), 1);
}

TEST_P(EveryPluginLifecycle, InstancesCreatedOnSeveralThreadsAtOnce) {
    const host::PluginLibrary& library = libraryOf(GetParam());  // loaded once, before the threads start
    std::vector<std::thread> threads;
    std::vector<int> created(kCreatorThreads, 0);
    for (int t = 0; t < kCreatorThreads; t++) {
        threads.emplace_back([t, &created, &library] {
            for (int i = 0; i < kInstancesPerThread; i++) {
                std::string error;
                auto plugin = host::Instance::create(library, error);
                if (!plugin) return;
                touch(*plugin);
                plugin->close();
                created[t]++;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kCreatorThreads; t++) EXPECT_EQ(created[t], kInstancesPerThread);
}

INSTANTIATE_FOR_EVERY_PLUGIN(EveryPluginLifecycle);

// Editor requests in the orders hosts are known to send them. Nothing may
// crash or leak whether or not an X display is there.
TEST_P(EveryPluginLifecycle, EditorRequestsWithoutAWindow) {
    auto plugin = newInstanceOf(GetParam());
    ERect* rect = nullptr;
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);  // before open, as hosts do
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->right - rect->left, GetParam().editorWidth);
    EXPECT_EQ(rect->bottom - rect->top, GetParam().editorHeight);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(plugin->dispatch(effEditIdle), 0);
        EXPECT_EQ(plugin->dispatch(effEditClose), 0);  // close without open
        plugin->dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f);
        plugin->dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f);
    }
    EXPECT_EQ(plugin->close(), 1);
}

class EditorLifecycle : public EveryPlugin {
protected:
    void SetUp() override {
        if (!parent->available()) GTEST_SKIP() << "no X display";
        plugin = newInstanceOf(GetParam());
        ASSERT_TRUE(plugin);
    }
    intptr_t open(const ParentWindow& window) { return plugin->dispatch(effEditOpen, 0, 0, window.handle()); }
    std::unique_ptr<ParentWindow> parent = std::make_unique<ParentWindow>();
    std::unique_ptr<host::Instance> plugin;
};

TEST_P(EditorLifecycle, OpenIdleCloseManyTimes) {
    for (int i = 0; i < kEditorCycles; i++) {
        ASSERT_EQ(open(*parent), 1) << "cycle " << i;
        for (int k = 0; k < 3; k++) plugin->dispatch(effEditIdle);
        // A host change while open.
        plugin->setParameter(i % GetParam().parameterSlots, (float)(i % 4) / 3.0f);
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditClose);
        ASSERT_EQ(parent->children(), 0u) << "cycle " << i;
        parent->drain();
    }
    EXPECT_EQ(plugin->close(), 1);
}

TEST_P(EditorLifecycle, OpenTwiceKeepsOneWindowAndCloseTwiceIsHarmless) {
    EXPECT_EQ(open(*parent), 1);
    EXPECT_EQ(open(*parent), 1);
    EXPECT_EQ(parent->children(), 1u);
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    plugin->dispatch(effEditClose);
    EXPECT_EQ(parent->children(), 0u);
    plugin->dispatch(effEditIdle);  // idle after close
    EXPECT_EQ(plugin->close(), 1);
}

// A host may close the instance with its editor still open.
TEST_P(EditorLifecycle, InstanceClosedWithEditorOpen) {
    for (int i = 0; i < 5; i++) {
        auto other = newInstanceOf(GetParam());
        ASSERT_EQ(other->dispatch(effEditOpen, 0, 0, parent->handle()), 1);
        other->dispatch(effEditIdle);
        touch(*other);
        EXPECT_EQ(other->close(), 1);
        EXPECT_EQ(parent->children(), 0u);
        parent->drain();
    }
}

TEST_P(EditorLifecycle, SeveralInstancesWithEditorsOpen) {
    std::vector<std::unique_ptr<host::Instance>> plugins;
    std::vector<std::unique_ptr<ParentWindow>> parents;
    for (int i = 0; i < 4; i++) {
        plugins.push_back(newInstanceOf(GetParam()));
        parents.push_back(std::make_unique<ParentWindow>());
        plugins.back()->dispatch(effEditOpen, 0, 0, parents.back()->handle());
    }
    for (int round = 0; round < 5; round++)
        for (auto& p : plugins) p->dispatch(effEditIdle);
    for (size_t i = 0; i < plugins.size(); i++) {
        EXPECT_EQ(parents[i]->children(), 1u);
        if (i % 2) plugins[i]->dispatch(effEditClose);
        EXPECT_EQ(plugins[i]->close(), 1);
    }
}

// A null parent, a window that does not exist, and (with X11) no X server at
// all: no editor, and a later proper open still works.
TEST_P(EditorLifecycle, RefusesParentsItCannotUse) {
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, nullptr), 0);
    plugin->dispatch(effEditIdle);
    void* stale = reinterpret_cast<void*>(uintptr_t{0x3FFFFF0});
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, stale), 0);
    plugin->dispatch(effEditIdle);
#ifndef _WIN32
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(open(*parent), 0);
    setenv("DISPLAY", display.c_str(), 1);
#endif
    plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    EXPECT_EQ(open(*parent), 1);
    EXPECT_EQ(parent->children(), 1u);
}

TEST_P(EditorLifecycle, SurvivesTheHostDestroyingItsWindowFirst) {
    ASSERT_EQ(open(*parent), 1);
    plugin->dispatch(effEditIdle);
    parent.reset();
    plugin->setParameter(0, 1.0f);
    for (int i = 0; i < 5; i++) plugin->dispatch(effEditIdle);
    plugin->dispatch(effEditClose);
    parent = std::make_unique<ParentWindow>();
    ASSERT_EQ(open(*parent), 1);
    plugin->dispatch(effEditIdle);
    EXPECT_EQ(parent->children(), 1u);
    EXPECT_EQ(plugin->close(), 1);
}

INSTANTIATE_FOR_EVERY_PLUGIN(EditorLifecycle);

}  // namespace
