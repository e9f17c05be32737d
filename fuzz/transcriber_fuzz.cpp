// libFuzzer entry for the transcriber engine alone: every input is a program
// of engine calls (configure at a rate, teach drums, process blocks of
// synthetic hits with raw values mixed in, restart, sensitivities, learning
// from the recording, flush). Faults that abort: a hit outside the drums, a
// velocity outside 1-127, a position before 0 or beyond what was passed in,
// a hit reported from flush() or process() when nothing was taught.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "byte_reader.h"
#include "tools/drum_synth.h"
#include "transcriber/transcriber.h"

namespace {

using fuzzing::Reader;

// Supported rates, the limits' neighbours and nonsense.
constexpr double kRates[] = {22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000,
                             22049, 192001, 8000, 0, -44100, 1e12};
constexpr int kRateCount = sizeof kRates / sizeof kRates[0];
// Examples and blocks hold at most 65535 samples (a 16-bit count); blocks
// fewer, so that an input stays fast.
constexpr int kMostBlockSamples = 8192;
constexpr int kMostHitsPerBlock = 4;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "fault: %s\n", what);
    std::abort();
}

double rate(Reader& in) { return kRates[in.byte() % kRateCount]; }

// Gains from silence to far beyond full scale, by powers of two.
float gain(Reader& in) { return static_cast<float>(std::ldexp(1.0, static_cast<int>(in.byte() % 160) - 120)); }

// Synthetic hits, then a few raw values (NaN, infinity, denormals, huge).
std::vector<float> samples(Reader& in, int64_t count, double sampleRate) {
    const int synthRate = sampleRate >= 1000 && sampleRate <= 200000 ? static_cast<int>(sampleRate) : 44100;
    std::vector<drums::Hit> hits;
    const int n = in.byte() % (kMostHitsPerBlock + 1);
    for (int i = 0; i < n && count > 0; i++)
        hits.push_back({static_cast<int64_t>(in.raw<uint16_t>()) % count,
                        static_cast<drums::Kind>(in.byte() % drums::kNumKinds), gain(in)});
    std::vector<float> out = drums::render(hits, count, synthRate);
    for (int raws = in.byte() % 4; raws > 0 && count > 0; raws--) {
        const size_t at = static_cast<size_t>(in.raw<uint16_t>()) % out.size();
        out[at] = in.raw<float>();
    }
    return out;
}

class Checker : public transcriber::HitSink {
public:
    void onHit(const transcriber::Hit& hit) override {
        if (static_cast<int>(hit.drum) >= transcriber::kDrumCount) fault("no such drum");
        if (hit.velocity < 1 || hit.velocity > 127) fault("velocity outside 1-127");
        if (hit.position < 0 || hit.position >= passed) fault("hit outside what was passed in");
        if (!taught) fault("a hit with no drum taught");
    }
    int64_t passed = 0;  // samples passed to process() since the stream began
    bool taught = false;
};

void teach(transcriber::Transcriber& engine, Reader& in, Checker& sink) {
    const auto drum = static_cast<transcriber::Drum>(in.byte() % transcriber::kDrumCount);
    const double exampleRate = rate(in);
    const int64_t count = in.raw<uint16_t>();
    const std::vector<float> example = samples(in, count, exampleRate);
    const bool empty = in.byte() % 8 == 0;
    if (engine.learn(drum, empty ? nullptr : example.data(), example.size(), exampleRate) == transcriber::Status::Ok)
        sink.taught = true;
}

void play(transcriber::Transcriber& engine, Reader& in, Checker& sink, double sampleRate) {
    const int64_t count = in.raw<uint16_t>() % (kMostBlockSamples + 1);
    const std::vector<float> block = samples(in, count, sampleRate);
    sink.passed += count;
    engine.process(block.data(), block.size(), sink);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in(data, size);
    transcriber::Transcriber engine;
    const double sampleRate = rate(in);
    if (engine.configure(sampleRate) != transcriber::Status::Ok) return 0;
    Checker sink;
    std::vector<float> recording;
    while (!in.empty()) {
        switch (in.byte() % 6) {
            case 0:
                teach(engine, in, sink);
                break;
            case 1:
            case 2:
                play(engine, in, sink, sampleRate);
                break;
            case 3:
                engine.setSensitivity(static_cast<transcriber::Drum>(in.byte() % transcriber::kDrumCount), in.raw<float>());
                break;
            case 4: {
                // Restarts the stream.
                const std::vector<float> whole = samples(in, in.raw<uint16_t>(), sampleRate);
                std::array<bool, transcriber::kDrumCount> which{};
                for (int d = 0; d < transcriber::kDrumCount; d++) which[d] = in.byte() & 1;
                engine.learnFromRecording(whole.data(), whole.size(), which);
                sink.passed = 0;
                break;
            }
            default:
                engine.flush(sink);
                sink.passed = 0;
                break;
        }
    }
    engine.flush(sink);
    return 0;
}
