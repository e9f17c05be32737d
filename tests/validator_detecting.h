// What makes each plug-in send notes, for the validator cases run on both:
// Tamboro its detection settings and a signal of the synthesiser's single
// tones; Tamboro Transcriber drums taught once (restored from that saved
// state into every instance) and a groove of those drums.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "plugins_under_test.h"
#include "tests/transcriber_plugin_support.h"
#include "validator_support.h"

namespace validator {

struct Detecting {
    Stereo signal;
    std::function<void(host::Instance&)> prepare;
};

// tamboroSignal and tamboroDrum are what Tamboro gets.
inline Detecting detectingWith(const PluginUnderTest& plugin, Stereo tamboroSignal, float tamboroDrum = kDrumKick) {
    if (isTamboro(plugin))
        return {std::move(tamboroSignal), [tamboroDrum](host::Instance& p) { setDetection(p, tamboroDrum); }};
    static const std::vector<uint8_t> taught = [] {
        auto teacher = transcriber_plugin_test::newTranscriber();
        transcriber_plugin_test::teachAllLive(*teacher);
        return transcriber_plugin_test::chunkOf(*teacher);
    }();
    constexpr int kBeats = 6;
    constexpr double kSeconds = 3.0;
    const std::vector<float> groove =
        drums::any_rate::render(drums::any_rate::groove(kBeats), kSeconds, transcriber_plugin_test::kRate);
    return {Stereo{groove, groove}, [](host::Instance& p) {
                EXPECT_EQ(transcriber_plugin_test::setChunk(p, taught), 1);
                transcriber_plugin_test::restartStream(p);
            }};
}

}  // namespace validator
