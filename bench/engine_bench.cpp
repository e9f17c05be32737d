// Throughput of the 32-bit and 64-bit processing calls on a stereo drum
// recording in blocks of 512 and, as some hosts call, of 16: samples per second, and seconds of 44.1 kHz
// audio per second of processing ("x_realtime"). One instance, one thread.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "shell/plugin_info.h"
#include "shell/tamboro.h"
#include "tools/drum_synth.h"

namespace {

constexpr double kSampleRate = 44100.0;
constexpr int32_t kBlock = 512;
constexpr int32_t kSmallBlock = 16;
constexpr int64_t kFrames = 10 * 44100;

int notesSent = 0;

intptr_t benchHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    static VstTimeInfo time{};
    switch (opcode) {
        case audioMasterVersion: return kVstVersion;
        case audioMasterGetSampleRate: return (intptr_t)kSampleRate;
        case audioMasterGetTime:
            time.tempo = 120.0;
            time.flags = kVstTempoValid;
            return reinterpret_cast<intptr_t>(&time);
        case audioMasterProcessEvents: notesSent++; return 1;
    }
    return 0;
}

struct Setting {
    int32_t index;
    float value;
};

template <typename T>
class Drummer {
public:
    Drummer(int64_t hitSpacing, std::initializer_list<Setting> settings, bool wideVectors = true)
        : effect(static_cast<Tamboro*>(createEffectInstance(benchHost))) {
        effect->wideVectors = effect->wideVectors && wideVectors;
        std::vector<float> drums = drums::render(drums::groove(kFrames, hitSpacing), kFrames);
        left.assign(drums.begin(), drums.end());
        right.assign(drums.begin(), drums.end());
        outL.resize(kFrames);
        outR.resize(kFrames);
        for (Setting s : settings) effect->setParameter(s.index, s.value);
    }

    // One hit of each drum in template mode, into slots 0, 1 and 2.
    void teach() {
        const float function = effect->getParameter(plugin_info::kFunction);
        effect->setParameter(plugin_info::kFunction, 0.0f);
        const drums::Kind kit[] = {drums::Kind::Kick, drums::Kind::Snare, drums::Kind::HiHat};
        for (int slot = 0; slot < 3; slot++) {
            effect->setParameter(plugin_info::kTemplateInst, 0.5f * slot);
            std::vector<float> hit = drums::render({{0, kit[slot]}}, 4 * kBlock);
            std::vector<T> in(hit.begin(), hit.end()), out(hit.size());
            for (size_t start = 0; start < hit.size(); start += kBlock) {
                T* inputs[2] = {in.data() + start, in.data() + start};
                T* outputs[2] = {out.data() + start, out.data() + start};
                process(inputs, outputs, kBlock);
            }
        }
        effect->setParameter(plugin_info::kFunction, function);
    }

    void processBlock(int64_t start, int32_t block) {
        T* inputs[2] = {left.data() + start, right.data() + start};
        T* outputs[2] = {outL.data() + start, outR.data() + start};
        process(inputs, outputs, block);
    }

    void process(T** inputs, T** outputs, int32_t block) {
        if constexpr (std::is_same_v<T, float>)
            effect->processReplacing(inputs, outputs, block);
        else
            effect->processDoubleReplacing(inputs, outputs, block);
    }

    // Blocks of the benchmark's argument.
    void run(benchmark::State& state) {
        const auto block = (int32_t)state.range(0);
        notesSent = 0;
        int64_t start = 0, frames = 0;
        for (auto _ : state) {
            processBlock(start, block);
            start = start + 2 * block <= kFrames ? start + block : 0;
            frames += block;
        }
        benchmark::DoNotOptimize(outL.data());
        state.SetItemsProcessed(frames);
        state.counters["x_realtime"] =
            benchmark::Counter((double)frames / kSampleRate, benchmark::Counter::kIsRate);
        // MIDI events (note-ons and note-offs) per second of audio.
        state.counters["events_per_audio_s"] = notesSent * kSampleRate / (double)frames;
    }

private:
    std::unique_ptr<Tamboro> effect;
    std::vector<T> left, right, outL, outR;
};

using namespace plugin_info;

// A groove of kick, hi-hat, snare, hi-hat in eighth notes at 120 bpm, each
// hit a fixed drum: the everyday cost.
template <typename T>
void fixedDrum(benchmark::State& state) {
    Drummer<T> drummer(11025, {{kFunction, 1.0f}, {kDrumSelect, 1.0f / 3.0f},
                               {kHighThreshold, 0.3f}, {kLowThreshold, 0.5f}});
    drummer.run(state);
}

// The same on the code for processors without 256-bit vectors, one band per
// vector instruction.
template <typename T>
void fixedDrumNarrow(benchmark::State& state) {
    Drummer<T> drummer(11025,
                       {{kFunction, 1.0f}, {kDrumSelect, 1.0f / 3.0f}, {kHighThreshold, 0.3f},
                        {kLowThreshold, 0.5f}},
                       false);
    drummer.run(state);
}

// Hits every 50 ms and thresholds that make an onset of nearly every other
// sample (the release threshold far above the onset one), each matched
// against three learned templates: the worst case for the match.
template <typename T>
void dynamicDense(benchmark::State& state) {
    Drummer<T> drummer(2205, {{kFunction, 1.0f}, {kDrumSelect, 0.0f}, {kHighThreshold, 0.02f},
                              {kLowThreshold, 3.0f}});
    drummer.teach();
    drummer.run(state);
}

void blockSizes(benchmark::internal::Benchmark* b) { b->Arg(kBlock)->Arg(kSmallBlock); }

BENCHMARK_TEMPLATE(fixedDrum, float)->Name("processReplacing/fixed_drum")->Apply(blockSizes);
BENCHMARK_TEMPLATE(fixedDrum, double)->Name("processDoubleReplacing/fixed_drum")->Apply(blockSizes);
BENCHMARK_TEMPLATE(fixedDrumNarrow, float)->Name("processReplacing/fixed_drum_narrow")->Apply(blockSizes);
BENCHMARK_TEMPLATE(fixedDrumNarrow, double)->Name("processDoubleReplacing/fixed_drum_narrow")->Apply(blockSizes);
BENCHMARK_TEMPLATE(dynamicDense, float)->Name("processReplacing/dynamic_dense")->Apply(blockSizes);
BENCHMARK_TEMPLATE(dynamicDense, double)->Name("processDoubleReplacing/dynamic_dense")->Apply(blockSizes);

}  // namespace

BENCHMARK_MAIN();
