// One instance driven from three threads at once, as a host does it: the
// audio thread processes, a second thread automates parameters and reads
// their texts, a third opens, idles and closes the editor. Run under the
// thread sanitizer in CI, where any data race fails the test.
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "plugin_fixture.h"
#include "plugins_under_test.h"
#include "shell/plugin_info.h"
#include "tools/drum_synth_any_rate.h"
#include "validator_support.h"

namespace {

using namespace plugin_info;

constexpr int kAudioBlocks = 1200;
constexpr int kEditorCycles = 10;  // the audio keeps running until there were as many
constexpr int32_t kBlockSize = 256;
constexpr int kIdlesPerOpen = 5;

void audioThread(host::Instance& plugin, const validator::Stereo& pattern,
                 const std::atomic<int>& editorCycles, validator::MidiFaults& faults) {
    size_t position = 0;
    for (int block = 0; block < kAudioBlocks || editorCycles.load() < kEditorCycles; block++) {
        validator::Stereo slice;
        for (int32_t i = 0; i < kBlockSize; i++, position++) {
            slice.left.push_back(pattern.left[position % pattern.size()]);
            slice.right.push_back(pattern.right[position % pattern.size()]);
        }
        validator::processChecked(plugin, slice, kBlockSize, faults, nullptr, block % 5 == 4);
    }
}

void automationThread(host::Instance& plugin, const std::atomic<bool>& done, int& writes) {
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float ratios[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    char text[64];
    do {
        int32_t index = (int32_t)(random() % kNumParams);
        float value = index == kRatioSelect ? ratios[random() % 5] : unit(random);
        if (writes % 97 == 0) value = NAN;  // a broken automation lane
        plugin.setParameter(index, value);
        plugin.getParameter(index);
        plugin.dispatch(effGetParamDisplay, index, 0, text);
        writes++;
    } while (!done.load());
}

void editorThread(host::Instance& plugin, const std::atomic<bool>& done,
                  std::atomic<bool>& ready, std::atomic<int>& opens) {
    validator::ParentWindow parent;  // created on this thread, used only here
    ready = true;
    do {
        ERect* rect = nullptr;
        plugin.dispatch(effEditGetRect, 0, 0, &rect);
        if (parent.available()) plugin.dispatch(effEditOpen, 0, 0, parent.handle());
        for (int i = 0; i < kIdlesPerOpen && !done.load(); i++) {
            plugin.dispatch(effEditIdle);
            parent.drain();
            std::this_thread::yield();
        }
        plugin.dispatch(effEditClose);
        opens++;
    } while (!done.load());
}

TEST(Threads, AudioAutomationAndEditorAtOnce) {
    auto plugin = newInstance();
    validator::setDetection(*plugin);
    validator::Stereo pattern = validator::drumPattern(3, 3000);
    validator::MidiFaults faults;
    std::atomic<bool> done{false}, editorReady{false};
    std::atomic<int> opens{0};
    int writes = 0;

    std::thread automation(automationThread, std::ref(*plugin), std::cref(done), std::ref(writes));
    std::thread editor(editorThread, std::ref(*plugin), std::cref(done), std::ref(editorReady),
                       std::ref(opens));
    while (!editorReady.load()) std::this_thread::yield();
    std::thread audio(audioThread, std::ref(*plugin), std::cref(pattern), std::cref(opens),
                      std::ref(faults));
    audio.join();
    done = true;
    automation.join();
    editor.join();

    EXPECT_TRUE(faults.empty()) << faults.text();
    RecordProperty("parameter_writes", writes);
    RecordProperty("editor_opens", opens.load());
    EXPECT_EQ(plugin->close(), 1);
}

// Tamboro Transcriber while a host saves and restores its state, automates
// its sensitivities and arms its learning, all during playback: the
// builder thread learns and hands engines over as the audio goes on.
TEST(Threads, TranscriberSavedRestoredAndTaughtWhilePlaying) {
    constexpr int kChunkRounds = 40;
    auto plugin = newInstanceOf(transcriberUnderTest());
    const std::vector<float> groove = drums::any_rate::render(drums::any_rate::groove(4), 2.0, 44100.0);
    const validator::Stereo pattern{groove, groove};
    std::atomic<bool> done{false};
    validator::MidiFaults faults;

    std::thread audio([&] {
        for (int round = 0; !done.load(); round++) validator::processChecked(*plugin, pattern, kBlockSize, faults);
    });
    std::thread automation([&] {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        while (!done.load()) {
            plugin->setParameter((int32_t)(random() % transcriber_plugin_info::kNumParams), value(random));
            plugin->getString(effGetParamDisplay, (int32_t)(random() % transcriber_plugin_info::kNumParams));
            std::this_thread::yield();
        }
    });
    for (int i = 0; i < kChunkRounds; i++) {
        void* data = nullptr;
        const intptr_t size = plugin->dispatch(effGetChunk, 0, 0, &data);
        ASSERT_GT(size, 0);
        std::vector<uint8_t> chunk(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        EXPECT_EQ(plugin->dispatch(effSetChunk, 0, size, chunk.data()), 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    done = true;
    audio.join();
    automation.join();
    EXPECT_TRUE(faults.empty()) << faults.text();
    EXPECT_EQ(plugin->close(), 1);
}

}  // namespace
