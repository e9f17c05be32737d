// Replays what a real host gave the plug-in (schedule.txt written by
// session.lua) through our own host library, and prints the MIDI events the
// plug-in sends in the same form as the real host's recording, so that the
// two can be compared line by line.
//
//   reference_host PLUGIN SCHEDULE
//   reference_host --wav IN OUT     (IN as a 16-bit WAV file, for the session script)
//
// Schedule lines, in order: "set INDEX VALUE" (a parameter change made while
// only silence was playing), "chunk FILE" (a saved state the host restored),
// "play FILE START STOP" (FILE's samples from the
// plug-in's sample START on; events are compared while START <= sample <
// STOP). Sample positions count every sample the plug-in processed, so the
// silence in between is replayed exactly: the plug-in's velocity reads fixed
// ring positions, which depend on how many samples went before.
#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/plugin_host.h"

namespace {

constexpr int32_t kBlockSize = 1024;  // the real host's cycle; the plug-in does not depend on it

struct Audio {
    std::vector<float> left, right;
};

bool readStereo(const std::string& path, Audio& audio) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file || info.channels != 2) {
        if (file) sf_close(file);
        return false;
    }
    std::vector<float> interleaved((size_t)info.frames * 2);
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    for (size_t i = 0; i < (size_t)info.frames; i++) {
        audio.left.push_back(interleaved[2 * i]);
        audio.right.push_back(interleaved[2 * i + 1]);
    }
    return true;
}

// Feeds `audio` (then silence) until the plug-in has processed `until` samples.
void processUntil(host::Instance& plugin, int64_t until, const Audio* audio = nullptr) {
    std::vector<float> inL(kBlockSize), inR(kBlockSize), outL(kBlockSize), outR(kBlockSize);
    int64_t start = plugin.samplePosition();
    while (plugin.samplePosition() < until) {
        int32_t n = (int32_t)std::min<int64_t>(kBlockSize, until - plugin.samplePosition());
        for (int32_t i = 0; i < n; i++) {
            size_t at = (size_t)(plugin.samplePosition() - start + i);
            bool inside = audio && at < audio->left.size();
            inL[i] = inside ? audio->left[at] : 0.0f;
            inR[i] = inside ? audio->right[at] : 0.0f;
        }
        float* in[2] = {inL.data(), inR.data()};
        float* out[2] = {outL.data(), outR.data()};
        plugin.process(in, out, n);
    }
}

// The session script reads only 16-bit WAV; the demo recordings are
// 16-bit FLAC, so the samples stay exactly the same.
int writeWav(const char* in, const char* out) {
    SF_INFO info{};
    SNDFILE* source = sf_open(in, SFM_READ, &info);
    if (!source) return 1;
    std::vector<short> samples((size_t)(info.frames * info.channels));
    const sf_count_t frames = sf_readf_short(source, samples.data(), info.frames);
    sf_close(source);
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* target = sf_open(out, SFM_WRITE, &info);  // clears info.frames
    if (!target) return 1;
    sf_writef_short(target, samples.data(), frames);
    sf_close(target);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--wav") return writeWav(argv[2], argv[3]);
    if (argc != 3) {
        std::cerr << "usage: reference_host PLUGIN SCHEDULE | reference_host --wav IN OUT\n";
        return 2;
    }
    std::string error;
    auto library = host::PluginLibrary::open(argv[1], error);
    auto plugin = library ? host::Instance::create(*library, error) : nullptr;
    if (!plugin) {
        std::cerr << error << "\n";
        return 1;
    }
    std::ifstream schedule(argv[2]);
    std::vector<std::pair<int64_t, int64_t>> windows;
    for (std::string line; std::getline(schedule, line);) {
        std::istringstream words(line);
        std::string what;
        words >> what;
        if (what == "set") {
            int32_t index;
            float value;
            words >> index >> value;
            plugin->setParameter(index, value);
        } else if (what == "chunk") {
            std::string file;
            words >> file;
            std::ifstream in(file, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (bytes.empty() || plugin->dispatch(effSetChunk, 0, (intptr_t)bytes.size(), bytes.data()) != 1) {
                std::cerr << "the plug-in refused the chunk in " << file << "\n";
                return 1;
            }
        } else if (what == "play") {
            std::string file;
            int64_t start, stop;
            words >> file >> start >> stop;
            Audio audio;
            if (!readStereo(file, audio)) {
                std::cerr << "cannot read " << file << " as stereo audio\n";
                return 1;
            }
            processUntil(*plugin, start);
            processUntil(*plugin, stop, &audio);
            windows.emplace_back(start, stop);
        }
    }
    for (const host::MidiRecord& r : plugin->midiEvents())
        for (const auto& [start, stop] : windows)
            if (r.samplePosition >= start && r.samplePosition < stop)
                std::printf("%lld %d %d %d\n", (long long)r.samplePosition, r.status(), r.data1(),
                            r.data2());
    return 0;
}
