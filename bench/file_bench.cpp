// The plug-in's speed on one audio file, per processing path: the file is
// read into memory once, then each iteration sends all of it through a fresh
// instance of tamboro.so, loaded as a host loads it, in blocks of 512 samples.
// Only the processing calls are timed. x_realtime is seconds of audio per
// second of CPU time.
//
//   file_bench --file=FILE.wav [--plugin=tamboro.so] [--high=0.5 --low=0.2] [benchmark flags]
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "host/plugin_host.h"

namespace {

constexpr int32_t kBlockSize = 512;
constexpr float kDetectionMode = 1.0f;
constexpr float kKick = 1.0f / 3.0f;

struct Recording {
    std::vector<float> left, right;
    double sampleRate = 0;
};

struct Settings {
    std::string file, plugin = TAMBORO_PLUGIN_PATH;
    float high = 0.5f, low = 0.2f;
};

bool readRecording(const std::string& path, Recording& recording) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return false;
    std::vector<float> frames((size_t)info.frames * info.channels);
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    for (sf_count_t i = 0; i < info.frames; i++) {
        recording.left.push_back(frames[i * info.channels]);
        recording.right.push_back(frames[i * info.channels + (info.channels > 1 ? 1 : 0)]);
    }
    recording.sampleRate = info.samplerate;
    return true;
}

template <typename Sample>
void processFile(benchmark::State& state, const host::PluginLibrary* library,
                 const Recording* recording, Settings settings) {
    std::vector<Sample> inL(recording->left.begin(), recording->left.end());
    std::vector<Sample> inR(recording->right.begin(), recording->right.end());
    std::vector<Sample> outL(inL.size()), outR(inR.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::string error;
        host::HostSettings hostSettings;
        hostSettings.sampleRate = recording->sampleRate;
        auto plugin = host::Instance::create(*library, error, hostSettings);
        plugin->setParameter(0, settings.high);
        plugin->setParameter(1, settings.low);
        plugin->setParameter(2, kKick);
        plugin->setParameter(3, kDetectionMode);
        state.ResumeTiming();
        if constexpr (sizeof(Sample) == sizeof(float))
            plugin->processStereo(inL.data(), inR.data(), outL.data(), outR.data(),
                                  (int64_t)inL.size(), kBlockSize);
        else
            plugin->processStereoDouble(inL.data(), inR.data(), outL.data(), outR.data(),
                                        (int64_t)inL.size(), kBlockSize);
        benchmark::DoNotOptimize(outL.data());
        state.PauseTiming();
        plugin.reset();
        state.ResumeTiming();
    }
    double seconds = (double)inL.size() / recording->sampleRate;
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * (double)state.iterations(), benchmark::Counter::kIsRate);
}

// Takes this program's own --name=value flags out of argv.
bool takeFlag(int& argc, char** argv, const char* name, std::string& value) {
    std::string prefix = std::string("--") + name + "=";
    for (int i = 1; i < argc; i++)
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            value = argv[i] + prefix.size();
            for (int j = i; j < argc - 1; j++) argv[j] = argv[j + 1];
            argc--;
            return true;
        }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    std::string number;
    takeFlag(argc, argv, "file", settings.file);
    takeFlag(argc, argv, "plugin", settings.plugin);
    if (takeFlag(argc, argv, "high", number)) settings.high = std::stof(number);
    if (takeFlag(argc, argv, "low", number)) settings.low = std::stof(number);
    Recording recording;
    if (settings.file.empty() || !readRecording(settings.file, recording)) {
        std::cerr << "usage: file_bench --file=FILE [--plugin=PATH] [--high=V --low=V]\n";
        return 2;
    }
    std::string error;
    auto library = host::PluginLibrary::open(settings.plugin, error);
    if (!library) {
        std::cerr << error << "\n";
        return 1;
    }
    benchmark::RegisterBenchmark("plugin/processReplacing", processFile<float>, library.get(),
                                 &recording, settings)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("plugin/processDoubleReplacing", processFile<double>,
                                 library.get(), &recording, settings)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
