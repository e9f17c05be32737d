#include "demo_material.h"

#include <sndfile.h>

#include <vector>

namespace demo {

drums::Stereo renderLoop() {
    drums::Stereo loop(kLoopFrames);
    for (const Hit& hit : kPattern) drums::addHit(loop, hit.kind, hitSample(hit), kGains[(int)hit.kind], kSampleRate);
    return loop;
}

drums::Stereo renderHit(drums::Kind kind) {
    drums::Stereo hit(kHitFrames);
    drums::addHit(hit, kind, kHitLeadIn, kGains[(int)kind], kSampleRate);
    return hit;
}

drums::Stereo renderLong(double seconds) {
    drums::Stereo loop = renderLoop();
    int64_t period = kSteps * kSamplesPerStep;
    drums::Stereo out((int64_t)(seconds * kSampleRate));
    for (int64_t i = 0; i < out.frames(); i++) {
        // Repeats the bars; the lead-in and the last ring-out overlap the next pass.
        int64_t at = kLeadIn + i % period;
        out.left[(size_t)i] = loop.left[(size_t)at];
        out.right[(size_t)i] = loop.right[(size_t)at];
    }
    return out;
}

namespace {

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool writeAudio(const std::string& path, const drums::Stereo& audio, int sampleRate, std::string& error) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = (endsWith(path, ".flac") ? SF_FORMAT_FLAC : SF_FORMAT_WAV) | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = path + ": " + sf_strerror(nullptr);
        return false;
    }
    std::vector<float> interleaved((size_t)audio.frames() * 2);
    for (int64_t i = 0; i < audio.frames(); i++) {
        interleaved[(size_t)(2 * i)] = audio.left[(size_t)i];
        interleaved[(size_t)(2 * i + 1)] = audio.right[(size_t)i];
    }
    bool ok = sf_writef_float(file, interleaved.data(), audio.frames()) == audio.frames();
    if (!ok) error = path + ": " + sf_strerror(file);
    sf_close(file);
    return ok;
}

bool writeDemoMaterial(const std::string& folder, std::string& error) {
    if (!writeAudio(folder + "/" + kLoopFile, renderLoop(), kSampleRate, error)) return false;
    for (int kind = 0; kind < drums::kNumKinds; kind++)
        if (!writeAudio(folder + "/" + kHitFiles[kind], renderHit((drums::Kind)kind), kSampleRate, error)) return false;
    return true;
}

}  // namespace demo
