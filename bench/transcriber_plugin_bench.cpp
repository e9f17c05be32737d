// Tamboro Transcriber's cost on the audio thread, at 44.1 kHz:
//   groove       a taught instance processing a drum groove in blocks of 512;
//                x_realtime is seconds of audio per second of processing and
//                cpu_percent the share of one core that real time takes.
//   learning_64  blocks of 64 samples while a drum learns from a live hit
//                (its recording on the audio thread, the templates built on
//                the builder thread); worst_block_cpu_us against the 1451 us a
//                block lasts.
//   steady_64    the same blocks, a groove without learning, for comparison.
#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "shell/effect_factory.h"
#include "tools/drum_synth_any_rate.h"
#include "transcriber_shell/transcriber_plugin_info.h"

namespace {

using transcriber::Drum;
using namespace transcriber_plugin_info;

constexpr double kRate = 44100.0;
constexpr int kBeats = 40;  // 20 s of audio

intptr_t benchHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    if (opcode == audioMasterVersion) return kVstVersion;
    return opcode == audioMasterProcessEvents ? 1 : 0;
}

double threadMicroseconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e6 + now.tv_nsec / 1e3;
}

class Plugin {
public:
    Plugin() : effect(createEffectInstance(benchHost)->getAeffect()) {}
    ~Plugin() { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

    // The longest single processing call, in microseconds of the calling
    // thread's CPU time: on a shared machine the wall clock of a 64-sample
    // call mostly measures when the scheduler let other processes run.
    double play(const std::vector<float>& mono, int32_t block) {
        std::vector<float> outL(block), outR(block);
        double worst = 0.0;
        for (size_t at = 0; at < mono.size(); at += (size_t)block) {
            const int32_t n = (int32_t)std::min<size_t>((size_t)block, mono.size() - at);
            float* in[2] = {const_cast<float*>(mono.data() + at), const_cast<float*>(mono.data() + at)};
            float* out[2] = {outL.data(), outR.data()};
            const double start = threadMicroseconds();
            effect->processReplacing(effect, in, out, n);
            worst = std::max(worst, threadMicroseconds() - start);
        }
        return worst;
    }

    // Arms the drum, plays its example hit and then silence in blocks of
    // `block` until it is taught; answers the longest call.
    double learn(Drum drum, int32_t block) {
        const int32_t learn = kFirstLearn + static_cast<int32_t>(drum);
        effect->setParameter(effect, learn, 1.0f);
        double worst = play(drums::any_rate::example(drum, kRate), block);
        // Real time: one block of silence per block's duration.
        const std::vector<float> silence((size_t)block, 0.0f);
        const auto blockTime = std::chrono::duration<double>(block / kRate);
        while (effect->getParameter(effect, learn) != 0.0f) {
            std::this_thread::sleep_for(blockTime);
            worst = std::max(worst, play(silence, block));
        }
        return worst;
    }

    AEffect* effect;
};

void groove(benchmark::State& state) {
    Plugin plugin;
    for (Drum d : {Drum::Kick, Drum::Snare, Drum::HiHat}) plugin.learn(d, 512);
    const std::vector<float> audio = drums::any_rate::render(drums::any_rate::groove(kBeats), kBeats * 0.5, kRate);
    for (auto _ : state) plugin.play(audio, 512);
    const double seconds = audio.size() / kRate * state.iterations();
    state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
    state.counters["cpu_percent"] = benchmark::Counter(seconds / 100.0, benchmark::Counter::kIsRate |
                                                                            benchmark::Counter::kInvert);
}
BENCHMARK(groove)->Unit(benchmark::kMillisecond);

void learning_64(benchmark::State& state) {
    Plugin plugin;
    double worst = 0.0;
    for (auto _ : state)
        for (Drum d : {Drum::Kick, Drum::Snare, Drum::HiHat}) worst = std::max(worst, plugin.learn(d, 64));
    state.counters["worst_block_cpu_us"] = worst;
    state.counters["block_budget_us"] = 64 / kRate * 1e6;
}
// The same blocks without learning, for comparison: the groove in blocks of 64.
void steady_64(benchmark::State& state) {
    Plugin plugin;
    for (Drum d : {Drum::Kick, Drum::Snare, Drum::HiHat}) plugin.learn(d, 512);
    const std::vector<float> audio = drums::any_rate::render(drums::any_rate::groove(8), 4.0, kRate);
    double worst = 0.0;
    for (auto _ : state) worst = std::max(worst, plugin.play(audio, 64));
    state.counters["worst_block_cpu_us"] = worst;
}
BENCHMARK(steady_64)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK(learning_64)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
