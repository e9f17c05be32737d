// What a plug-in library gives for fixed inputs: every MIDI event and a
// digest of the output samples, in random blocks, single and double
// precision. The Linux and the Windows build each write this for their
// library from one signal file (made once, so that both read the very same
// samples), and the test compares the two reports.
//
//   platform_outputs signals FILE       writes the signal file
//   platform_outputs report PLUGIN FILE REPORT [--vary | --teach]
//     --vary   a user moves the controls between blocks (Tamboro)
//     --teach  the file's first seconds teach the drums through the learn
//              parameters first (Tamboro Transcriber)
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "host/plugin_host.h"
#include "reference_signals.h"
#include "tools/drum_synth_any_rate.h"
#include "transcriber_shell/transcriber_plugin_info.h"

namespace {

constexpr double kRate = 44100.0;
// One example hit of each drum, a second each, open the file.
constexpr size_t kExampleFrames = 44100;
constexpr size_t kExamplesFrames = transcriber::kDrumCount * kExampleFrames;
constexpr int kGrooveBeats = 16;
constexpr double kGrooveSeconds = 8.5;
constexpr size_t kDrumFrames = 10 * 44100;
constexpr size_t kNoiseFrames = 4 * 44100;
constexpr uint32_t kSeed = 15;
constexpr int32_t kLargestBlock = 2048;
constexpr int32_t kTeachBlock = 512;
constexpr int kMaxTeachWaits = 2000;

using reference::Stereo;

Stereo fromMono(const std::vector<float>& mono) {
    Stereo s;
    s.left.assign(mono.begin(), mono.end());
    s.right = s.left;
    return s;
}

// The examples and a groove the transcriber knows its drums in, then the
// reference signals.
bool writeSignals(const char* path) {
    namespace synth = drums::any_rate;
    Stereo s;
    for (transcriber::Drum drum : {transcriber::Drum::Kick, transcriber::Drum::Snare,
                                   transcriber::Drum::HiHat})
        s.append(fromMono(synth::example(drum, kRate)));
    s.append(fromMono(synth::render(synth::groove(kGrooveBeats), kGrooveSeconds, kRate)));
    s.append(reference::drumPattern(kSeed, kDrumFrames, kRate));
    s.append(reference::noiseSegments(kSeed, kNoiseFrames));
    s.append(reference::edgeInputs(kSeed));
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(s.left.data(), sizeof(double), s.size(), f) == s.size() &&
              std::fwrite(s.right.data(), sizeof(double), s.size(), f) == s.size();
    return std::fclose(f) == 0 && ok;
}

bool readSignals(const char* path, Stereo& s) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fseek(f, 0, SEEK_END);
    const size_t frames = (size_t)std::ftell(f) / (2 * sizeof(double));
    std::fseek(f, 0, SEEK_SET);
    s.left.resize(frames);
    s.right.resize(frames);
    bool ok = std::fread(s.left.data(), sizeof(double), frames, f) == frames &&
              std::fread(s.right.data(), sizeof(double), frames, f) == frames;
    std::fclose(f);
    return ok && frames > kExamplesFrames;
}

// FNV-1a over the bits of every sample.
struct Digest {
    uint64_t value = 1469598103934665603ull;
    template <typename Sample>
    void add(Sample sample) {
        unsigned char bytes[sizeof sample];
        std::memcpy(bytes, &sample, sizeof sample);
        for (unsigned char b : bytes) value = (value ^ b) * 1099511628211ull;
    }
};

template <typename Sample>
void block(host::Instance& plugin, const Stereo& signal, size_t start, int32_t n, Digest* digest) {
    std::vector<Sample> in[2], out[2];
    for (int c = 0; c < 2; c++) {
        const std::vector<double>& from = c ? signal.right : signal.left;
        in[c].assign(from.begin() + (long)start, from.begin() + (long)start + n);
        out[c].assign((size_t)n, Sample(0));
    }
    Sample* inputs[2] = {in[0].data(), in[1].data()};
    Sample* outputs[2] = {out[0].data(), out[1].data()};
    if constexpr (sizeof(Sample) == sizeof(float))
        plugin.process(inputs, outputs, n);
    else
        plugin.processDouble(inputs, outputs, n);
    if (digest)
        for (int32_t i = 0; i < n; i++) digest->add(out[0][(size_t)i]), digest->add(out[1][(size_t)i]);
}

// Arms each drum, plays its example, then silence until the plug-in's
// builder thread has learned it; the stream starts anew after.
bool teach(host::Instance& plugin, const Stereo& signal) {
    const Stereo silence{std::vector<double>(kTeachBlock), std::vector<double>(kTeachBlock)};
    for (int drum = 0; drum < transcriber::kDrumCount; drum++) {
        const int32_t learn = transcriber_plugin_info::kFirstLearn + drum;
        plugin.setParameter(learn, 1.0f);
        for (size_t at = 0; at < kExampleFrames; at += kTeachBlock)
            block<float>(plugin, signal, drum * kExampleFrames + at, kTeachBlock, nullptr);
        for (int i = 0; i < kMaxTeachWaits && plugin.getString(effGetParamDisplay, learn) == "armed"; i++) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            block<float>(plugin, silence, 0, kTeachBlock, nullptr);
        }
        if (plugin.getString(effGetParamDisplay, learn) != "ready") return false;
    }
    plugin.dispatch(effMainsChanged, 0, 0);
    plugin.dispatch(effMainsChanged, 0, 1);
    plugin.clearRecords();
    return true;
}

template <typename Sample>
uint64_t run(host::Instance& plugin, const Stereo& signal, size_t first, bool vary, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> blockSize(1, kLargestBlock);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Digest digest;
    for (size_t start = first; start < signal.size();) {
        const int32_t n = (int32_t)std::min<size_t>(blockSize(rng), signal.size() - start);
        if (vary && unit(rng) < 0.05f)
            plugin.setParameter((int32_t)(rng() % (uint32_t)plugin.effect()->numParams), unit(rng));
        block<Sample>(plugin, signal, start, n, &digest);
        start += (size_t)n;
    }
    return digest.value;
}

bool report(const char* pluginPath, const Stereo& signal, const char* reportPath,
            const std::string& option) {
    std::string error;
    auto library = host::PluginLibrary::open(pluginPath, error);
    FILE* f = library ? std::fopen(reportPath, "wb") : nullptr;
    if (!f) {
        std::fprintf(stderr, "%s\n", library ? reportPath : error.c_str());
        return false;
    }
    const bool teaching = option == "--teach";
    for (bool doublePath : {false, true}) {
        auto plugin = host::Instance::create(*library, error);
        if (!plugin) break;
        plugin->dispatch(effSetSampleRate, 0, 0, nullptr, (float)kRate);
        plugin->dispatch(effSetBlockSize, 0, kLargestBlock);
        plugin->dispatch(effMainsChanged, 0, 1);
        if (teaching && !teach(*plugin, signal)) {
            error = "the drums were not learned";
            break;
        }
        const size_t first = teaching ? kExamplesFrames : 0;
        // Teaching took as many blocks as the builder thread needed: times
        // count from the start of the stream.
        const int64_t origin = plugin->samplePosition();
        const uint32_t seed = kSeed + doublePath;
        const bool vary = option == "--vary";
        uint64_t samples = doublePath ? run<double>(*plugin, signal, first, vary, seed)
                                      : run<float>(*plugin, signal, first, vary, seed);
        std::fprintf(f, "%s path: samples %016llx\n", doublePath ? "double" : "single",
                     (unsigned long long)samples);
        for (const host::MidiRecord& e : plugin->midiEvents())
            std::fprintf(f, "%lld %02x %02x %02x\n", (long long)(e.samplePosition - origin), e.status(),
                         e.data1(), e.data2());
    }
    if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
    return std::fclose(f) == 0 && error.empty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "signals") == 0) return writeSignals(argv[2]) ? 0 : 1;
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "report") == 0) {
        Stereo signal;
        if (!readSignals(argv[3], signal)) {
            std::fprintf(stderr, "cannot read %s\n", argv[3]);
            return 1;
        }
        return report(argv[2], signal, argv[4], argc == 6 ? argv[5] : "") ? 0 : 1;
    }
    std::fprintf(stderr,
                 "usage: platform_outputs signals FILE | report PLUGIN FILE REPORT [--vary | --teach]\n");
    return 2;
}
