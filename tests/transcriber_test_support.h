// Running the transcriber over synthetic drums and comparing with the hits
// placed in them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "tools/drum_synth_any_rate.h"
#include "transcriber/transcriber.h"

namespace transcriber_test {

using transcriber::Drum;
using transcriber::Hit;

// Fixed capacity, so it can run where nothing may allocate.
class HitList : public transcriber::HitSink {
public:
    static constexpr size_t kCapacity = 4096;
    void onHit(const Hit& hit) override {
        if (count < kCapacity) hits[count++] = hit;
    }
    std::vector<Hit> list() const { return {hits.begin(), hits.begin() + count}; }

    std::array<Hit, kCapacity> hits{};
    size_t count = 0;
};

// An engine at `rate` taught the synthetic examples at `exampleRate`.
inline void teach(transcriber::Transcriber& engine, double rate, double exampleRate) {
    ASSERT_EQ(engine.configure(rate), transcriber::Status::Ok);
    for (Drum d : {Drum::Kick, Drum::Snare, Drum::HiHat}) {
        const std::vector<float> example = drums::any_rate::example(d, exampleRate);
        ASSERT_EQ(engine.learn(d, example.data(), example.size(), exampleRate), transcriber::Status::Ok);
    }
}

inline std::vector<Hit> transcribe(transcriber::Transcriber& engine, const std::vector<float>& audio,
                                   size_t block = 512) {
    HitList sink;
    for (size_t at = 0; at < audio.size(); at += block)
        engine.process(audio.data() + at, std::min(block, audio.size() - at), sink);
    engine.flush(sink);
    return sink.list();
}

struct Comparison {
    int matched = 0, missed = 0, extra = 0;
    std::vector<double> errors;  // seconds, found minus placed
};

// Each placed hit takes the nearest unused found hit of its drum within
// 30 ms.
inline Comparison compare(const std::vector<drums::any_rate::PlacedHit>& placed,
                          const std::vector<Hit>& found, double rate) {
    constexpr double kTolerance = 0.03;
    Comparison c;
    std::vector<bool> used(found.size(), false);
    for (const drums::any_rate::PlacedHit& p : placed) {
        int best = -1;
        for (size_t i = 0; i < found.size(); i++) {
            const double e = std::fabs(found[i].position / rate - p.seconds);
            if (!used[i] && found[i].drum == p.drum && e <= kTolerance &&
                (best < 0 || e < std::fabs(found[best].position / rate - p.seconds)))
                best = static_cast<int>(i);
        }
        if (best < 0) {
            c.missed++;
            continue;
        }
        used[best] = true;
        c.matched++;
        c.errors.push_back(found[best].position / rate - p.seconds);
    }
    c.extra = static_cast<int>(found.size()) - c.matched;
    return c;
}

}  // namespace transcriber_test
