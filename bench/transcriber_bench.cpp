// The transcriber's speed: a synthetic groove streamed in blocks of 512
// samples at 44.1 kHz on one core; "realtime" is seconds of audio per
// second of processing.
#include <benchmark/benchmark.h>

#include "tools/drum_synth_any_rate.h"
#include "transcriber/transcriber.h"

namespace {

using transcriber::Drum;

constexpr double kRate = 44100.0;
constexpr size_t kBlock = 512;
constexpr int kBeats = 40;  // 20 s of audio

class CountingSink : public transcriber::HitSink {
public:
    void onHit(const transcriber::Hit&) override { hits++; }
    int64_t hits = 0;
};

void streaming(benchmark::State& state) {
    transcriber::Transcriber engine;
    engine.configure(kRate);
    for (Drum d : {Drum::Kick, Drum::Snare, Drum::HiHat}) {
        const std::vector<float> example = drums::any_rate::example(d, kRate);
        engine.learn(d, example.data(), example.size(), kRate);
    }
    const std::vector<float> audio = drums::any_rate::render(drums::any_rate::groove(kBeats), kBeats * 0.5, kRate);
    CountingSink sink;
    for (auto _ : state) {
        for (size_t at = 0; at < audio.size(); at += kBlock)
            engine.process(audio.data() + at, std::min(kBlock, audio.size() - at), sink);
        engine.flush(sink);
    }
    benchmark::DoNotOptimize(sink.hits);
    state.counters["realtime"] = benchmark::Counter(
        static_cast<double>(audio.size()) / kRate * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(streaming)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
