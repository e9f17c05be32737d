// Runs the transcriber over one recording, as the accuracy benchmark does:
//   transcribe_file --learn kick=K.wav --learn snare=S.wav --learn hihat=H.wav
//                   [--sensitivity kick=1.0] [--candidates C.csv] IN.wav OUT.csv
// writes time,drum,velocity (seconds). Channels are mixed to mono; the
// recording goes through in blocks of 512 samples. --candidates writes every
// peak the onset picker weighed, with its evidence and decision (for
// bench/accuracy/candidates.py).
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "transcriber/transcriber.h"

namespace {

using transcriber::Drum;

constexpr size_t kBlock = 512;

struct Audio {
    std::vector<float> samples;
    double rate = 0.0;
};

bool readMono(const std::string& path, Audio& audio) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    std::vector<float> interleaved(static_cast<size_t>(info.frames) * info.channels);
    sf_readf_float(file, interleaved.data(), info.frames);
    sf_close(file);
    audio.rate = info.samplerate;
    audio.samples.assign(info.frames, 0.0f);
    for (sf_count_t i = 0; i < info.frames; i++) {
        float sum = 0.0f;
        for (int c = 0; c < info.channels; c++) sum += interleaved[i * info.channels + c];
        audio.samples[i] = sum / info.channels;
    }
    return true;
}

bool drumFromName(const std::string& name, Drum& drum) {
    for (Drum d : {Drum::Kick, Drum::Snare, Drum::HiHat})
        if (name == transcriber::drumName(d)) {
            drum = d;
            return true;
        }
    return false;
}

class CsvSink : public transcriber::HitSink {
public:
    CsvSink(FILE* out, double rate) : out_(out), rate_(rate) {}
    void onHit(const transcriber::Hit& hit) override {
        std::fprintf(out_, "%.6f,%s,%d\n", hit.position / rate_, transcriber::drumName(hit.drum),
                     hit.velocity);
    }

private:
    FILE* out_;
    double rate_;
};

class CandidateWriter : public transcriber::FrameObserver {
public:
    CandidateWriter(FILE* out, double rate) : out_(out), rate_(rate) {
        std::fprintf(out_, "time,drum,accepted,strength,threshold,rise,unexplained,loudest,tilt\n");
    }
    void onFrame(int64_t, const float*, const float*) override {}
    void onCandidate(int64_t position, const transcriber::Candidate& c) override {
        std::fprintf(out_, "%.6f,%s,%d,%g,%g,%g,%g,%g,%g\n", position / rate_, transcriber::drumName(c.drum),
                     c.accepted ? 1 : 0, c.strength, c.threshold, c.rise, c.unexplained, c.loudest, c.tilt);
    }

private:
    FILE* out_;
    double rate_;
};

int usage() {
    std::fprintf(stderr,
                 "usage: transcribe_file --learn DRUM=FILE ... [--sensitivity DRUM=VALUE] [--candidates FILE] IN OUT.csv\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::pair<Drum, std::string>> examples;
    transcriber::Settings settings;
    std::vector<std::string> paths;
    std::string candidatesPath;
    for (int i = 1; i < argc; i++) {
        const std::string arg = argv[i];
        if (arg == "--candidates" && i + 1 < argc) {
            candidatesPath = argv[++i];
        } else if ((arg == "--learn" || arg == "--sensitivity") && i + 1 < argc) {
            const std::string value = argv[++i];
            const size_t eq = value.find('=');
            Drum drum;
            if (eq == std::string::npos || !drumFromName(value.substr(0, eq), drum)) return usage();
            if (arg == "--learn")
                examples.emplace_back(drum, value.substr(eq + 1));
            else
                settings.sensitivity[static_cast<int>(drum)] = std::strtof(value.c_str() + eq + 1, nullptr);
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) return usage();
    Audio input;
    if (!readMono(paths[0], input)) return 1;
    transcriber::Transcriber engine;
    transcriber::Status status = engine.configure(input.rate, settings);
    if (status != transcriber::Status::Ok) {
        std::fprintf(stderr, "%s: %s\n", paths[0].c_str(), transcriber::statusText(status));
        return 1;
    }
    for (const auto& [drum, path] : examples) {
        Audio example;
        if (!readMono(path, example)) return 1;
        status = engine.learn(drum, example.samples.data(), example.samples.size(), example.rate);
        if (status != transcriber::Status::Ok) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), transcriber::statusText(status));
            return 1;
        }
    }
    FILE* out = std::fopen(paths[1].c_str(), "w");
    if (!out) {
        std::perror(paths[1].c_str());
        return 1;
    }
    std::fprintf(out, "time,drum,velocity\n");
    CsvSink sink(out, input.rate);
    FILE* candidates = candidatesPath.empty() ? nullptr : std::fopen(candidatesPath.c_str(), "w");
    if (!candidatesPath.empty() && !candidates) {
        std::perror(candidatesPath.c_str());
        return 1;
    }
    std::optional<CandidateWriter> writer;
    if (candidates) engine.setFrameObserver(&writer.emplace(candidates, input.rate));
    for (size_t at = 0; at < input.samples.size(); at += kBlock)
        engine.process(input.samples.data() + at, std::min(kBlock, input.samples.size() - at), sink);
    engine.flush(sink);
    const bool written = !candidates || std::fclose(candidates) == 0;
    return std::fclose(out) == 0 && written ? 0 : 1;
}
