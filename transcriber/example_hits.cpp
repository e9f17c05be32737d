#include "transcriber/example_hits.h"

#include <algorithm>
#include <cmath>

#include "transcriber/analysis_grid.h"
#include "transcriber/band_magnitudes.h"

namespace transcriber {
namespace {

constexpr double kEnvelopeBlockSeconds = 0.001;
// A hit starts where the envelope rises this much above its level a few
// milliseconds before...
constexpr float kOnsetRise = 4.0f;
constexpr int kRiseBlocksBack = 20;
constexpr int kRiseBlocksGap = 3;
// ...and stands above the quietest level worth teaching from.
constexpr float kQuietestHitBelowPeak = 0.003f;  // -50 dB
constexpr int kRefractoryBlocks = 60;
// The onset sample is the first one reaching this fraction of the hit's
// peak (-30 dB): where the hit becomes audible.
constexpr float kOnsetFractionOfPeak = 0.0316f;
constexpr double kPeakWithinSeconds = 0.05;
// Onset positions inside a hop averaged into frame 0 of a template.
constexpr int kTemplatePhases = 4;
// Frames whose window reaches the next hit are replaced by a decay
// continued from the frames before.
constexpr int kDecayFitFrames = 8;
constexpr int kStrengthFrames = 8;

std::vector<float> blockEnvelope(const float* x, size_t n, size_t block) {
    std::vector<float> env((n + block - 1) / block, 0.0f);
    for (size_t i = 0; i < n; i++) env[i / block] = std::max(env[i / block], std::fabs(x[i]));
    return env;
}

int64_t refineOnset(const float* x, size_t n, int64_t from, double sampleRate) {
    const size_t end = std::min(n, static_cast<size_t>(from + kPeakWithinSeconds * sampleRate));
    float peak = 0.0f;
    for (size_t i = static_cast<size_t>(from); i < end; i++) peak = std::max(peak, std::fabs(x[i]));
    for (size_t i = static_cast<size_t>(from); i < end; i++)
        if (std::fabs(x[i]) >= kOnsetFractionOfPeak * peak) return static_cast<int64_t>(i);
    return from;
}

}  // namespace

std::vector<int64_t> findExampleOnsets(const float* x, size_t n, double sampleRate) {
    const size_t block = std::max<size_t>(1, static_cast<size_t>(kEnvelopeBlockSeconds * sampleRate));
    const std::vector<float> env = blockEnvelope(x, n, block);
    const float peak = env.empty() ? 0.0f : *std::max_element(env.begin(), env.end());
    std::vector<int64_t> onsets;
    if (!(peak > 0.0f)) return onsets;
    const int blocks = static_cast<int>(env.size());
    int last = -kRefractoryBlocks;
    for (int i = 0; i < blocks; i++) {
        float before = 0.0f;
        for (int j = std::max(0, i - kRiseBlocksBack); j <= i - kRiseBlocksGap; j++)
            before = std::max(before, env[j]);
        if (env[i] < kQuietestHitBelowPeak * peak || env[i] <= kOnsetRise * before) continue;
        if (i - last < kRefractoryBlocks) continue;
        last = i;
        const int64_t from = static_cast<int64_t>(std::max(0, i - 1)) * block;
        onsets.push_back(refineOnset(x, n, from, sampleRate));
    }
    return onsets;
}

float openingStrength(const float* frames, int bands) {
    float sum = 0.0f;
    for (int i = 0; i < kStrengthFrames * bands; i++) sum += frames[i];
    return sum;
}

DrumTemplate buildTemplate(const float* x, size_t n, double sampleRate, int64_t onset,
                           int64_t nextOnset) {
    const AnalysisGrid grid = analysisGrid(sampleRate);
    const int bands = bandCount();
    BandMagnitudes spectrum;
    spectrum.configure(sampleRate);
    std::vector<float> frame(grid.windowLength), spectrumOut(bands);
    DrumTemplate t;
    t.frames.assign(static_cast<size_t>(kTemplateFrames) * bands, 0.0f);
    int cleanFrames = kTemplateFrames;
    for (int f = 0; f < kTemplateFrames; f++) {
        for (int p = 0; p < kTemplatePhases; p++) {
            const double phase = (p + 0.5) / kTemplatePhases;
            const int64_t end = onset + static_cast<int64_t>(std::lround((f + phase) * grid.hop));
            if (end > nextOnset && cleanFrames == kTemplateFrames) cleanFrames = f;
            for (int i = 0; i < grid.windowLength; i++) {
                const int64_t s = end - grid.windowLength + i;
                frame[i] = s >= 0 && s < static_cast<int64_t>(n) ? x[s] : 0.0f;
            }
            spectrum.analyse(frame.data(), spectrumOut.data());
            for (int b = 0; b < bands; b++)
                t.frames[f * bands + b] += spectrumOut[b] / kTemplatePhases;
        }
    }
    if (cleanFrames < kTemplateFrames && cleanFrames > kDecayFitFrames) {
        const int last = cleanFrames - 1;
        for (int b = 0; b < bands; b++) {
            const float a = t.frames[(last - kDecayFitFrames) * bands + b];
            const float z = t.frames[last * bands + b];
            const float ratio = a > 0.0f ? std::min(0.999f, std::pow(z / a, 1.0f / kDecayFitFrames)) : 0.0f;
            for (int f = cleanFrames; f < kTemplateFrames; f++)
                t.frames[f * bands + b] = t.frames[(f - 1) * bands + b] * ratio;
        }
    }
    t.strength = openingStrength(t.frames.data(), bands);
    return t;
}

}  // namespace transcriber
