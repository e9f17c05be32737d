// Driving tamboro-transcriber.so through the host library: instances,
// mono signals on both channels, live teaching through the learn
// parameters, and the notes it sent.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/plugin_host.h"
#include "tests/plugins_under_test.h"
#include "tools/drum_synth_any_rate.h"
#include "transcriber_shell/transcriber_plugin_info.h"

namespace transcriber_plugin_test {

constexpr double kRate = 44100.0;

inline std::unique_ptr<host::Instance> newTranscriber(host::HostSettings settings = {}) {
    return newInstanceOf(transcriberUnderTest(), settings);
}

// The same signal on both channels, in blocks; the output lands in `out` if given.
inline void play(host::Instance& plugin, const std::vector<float>& mono, int32_t block,
                 std::vector<float>* out = nullptr) {
    std::vector<float> left(mono.size()), right(mono.size());
    plugin.processStereo(mono.data(), mono.data(), left.data(), right.data(), (int64_t)mono.size(), block);
    if (out) *out = left;
}

inline std::string display(host::Instance& plugin, int32_t index) {
    return plugin.getString(effGetParamDisplay, index);
}

// Arms the drum and plays its example hit (left and right channels), then
// silence until the builder thread has taught the drum (its learn display
// leaves "armed").
inline void teachLive(host::Instance& plugin, transcriber::Drum drum, const std::vector<float>& left,
                      const std::vector<float>& right) {
    constexpr int kMaxWaits = 1000;
    constexpr auto kWait = std::chrono::milliseconds(5);
    const int32_t learn = transcriber_plugin_info::kFirstLearn + static_cast<int32_t>(drum);
    plugin.setParameter(learn, 1.0f);
    ASSERT_EQ(display(plugin, learn), "armed");
    std::vector<float> out(left.size());
    plugin.processStereo(left.data(), right.data(), out.data(), out.data(), (int64_t)left.size(), 512);
    const std::vector<float> silence(512, 0.0f);
    for (int i = 0; i < kMaxWaits && display(plugin, learn) == "armed"; i++) {
        std::this_thread::sleep_for(kWait);
        play(plugin, silence, 512);
    }
    ASSERT_EQ(display(plugin, learn), "ready");
    EXPECT_EQ(plugin.getParameter(learn), 0.0f);
    // The host hears that the parameter is 0 again, by the next block.
    play(plugin, silence, 512);
    bool told = false;
    for (const host::CallbackRecord& call : plugin.calls())
        told = told || (call.opcode == audioMasterAutomate && call.index == learn && call.opt == 0.0f);
    EXPECT_TRUE(told);
}

// The synthesiser's example of the drum.
inline void teachLive(host::Instance& plugin, transcriber::Drum drum) {
    const std::vector<float> example = drums::any_rate::example(drum, kRate);
    teachLive(plugin, drum, example, example);
}

inline void teachAllLive(host::Instance& plugin) {
    for (transcriber::Drum d : {transcriber::Drum::Kick, transcriber::Drum::Snare, transcriber::Drum::HiHat})
        teachLive(plugin, d);
}

// Ends the stream (suspend) and starts a new one (resume), so notes are
// counted from the next sample on.
inline void restartStream(host::Instance& plugin) {
    plugin.dispatch(effMainsChanged, 0, 0);
    plugin.dispatch(effMainsChanged, 0, 1);
    plugin.clearRecords();
}

inline std::vector<uint8_t> chunkOf(host::Instance& plugin) {
    void* data = nullptr;
    const intptr_t size = plugin.dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) return {};
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

inline intptr_t setChunk(host::Instance& plugin, std::vector<uint8_t> chunk) {
    return plugin.dispatch(effSetChunk, 0, (intptr_t)chunk.size(), chunk.data());
}

}  // namespace transcriber_plugin_test
