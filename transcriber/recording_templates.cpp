#include "transcriber/recording_templates.h"

#include <algorithm>

#include "transcriber/analysis_grid.h"

namespace transcriber {
namespace {

// No other hit this close before or after (a kick struck with a hi-hat, a
// ring from the hit before): the template would hold it too.
constexpr double kAloneSeconds = 0.06;
constexpr size_t kMostHits = 8;
constexpr size_t kFewestHits = 3;
// Of the strongest alone: softer hits are more often another drum misread.
constexpr int kLeastVelocityShare = 2;  // at least 1/2 of the strongest
// The opening frames whose spectra are compared (46 ms).
constexpr int kOpeningFrames = 8;
// Bands with less than this share of the template's opening energy keep
// their level: there the heard hits hold mostly other drums' sound (a hi-hat
// given a kick's low bands would hide the next kick under its prediction).
// Measured without examples: drum F 0.843 (0.839 to 0.846 from 0.0075 to
// 0.0175), 0.823 at 0.02; a kit's snare body or kick sub-bass often lies
// where the built-in drum has little.
constexpr float kLeastBandShare = 0.0125f;
// How far a band may move (12 dB); measured drum F 0.794 without examples,
// 0.775 at 6 dB, 0.796 at 18 dB.
constexpr float kMostGain = 4.0f;

// Drums less alike than this (the cosine of their templates) share few
// bands; the built-in kick and hi-hat are at 0.15, kick and snare at 0.46.
constexpr float kLeastSimilarityThatCovers = 0.3f;

}  // namespace

std::vector<Hit> hitsInBandsOf(const std::vector<Hit>& hits, Drum drum,
                               const Decomposition::Similarities& similarities) {
    const int d = static_cast<int>(drum);
    std::vector<Hit> kept;
    for (const Hit& h : hits)
        if (h.drum == drum || similarities[d][static_cast<int>(h.drum)] >= kLeastSimilarityThatCovers) kept.push_back(h);
    return kept;
}

std::vector<int64_t> clearHits(const std::vector<Hit>& hits, Drum drum, double sampleRate) {
    const int64_t apart = static_cast<int64_t>(kAloneSeconds * sampleRate);
    std::vector<Hit> alone;
    for (size_t i = 0; i < hits.size(); i++) {
        if (hits[i].drum != drum) continue;
        const bool before = i > 0 && hits[i].position - hits[i - 1].position < apart;
        const bool after = i + 1 < hits.size() && hits[i + 1].position - hits[i].position < apart;
        if (!before && !after) alone.push_back(hits[i]);
    }
    std::stable_sort(alone.begin(), alone.end(), [](const Hit& a, const Hit& b) { return a.velocity > b.velocity; });
    std::vector<int64_t> onsets;
    for (const Hit& h : alone)
        if (onsets.size() < kMostHits && h.velocity * kLeastVelocityShare >= alone.front().velocity)
            onsets.push_back(h.position);
    if (onsets.size() < kFewestHits) onsets.clear();
    return onsets;
}

DrumTemplate heardTemplate(const float* samples, size_t count, double sampleRate,
                           const std::vector<int64_t>& onsets, const std::vector<Hit>& hits) {
    DrumTemplate mean;
    mean.frames.assign(static_cast<size_t>(kTemplateFrames) * bandCount(), 0.0f);
    for (int64_t onset : onsets) {
        const auto next = std::upper_bound(hits.begin(), hits.end(), onset,
                                           [](int64_t at, const Hit& h) { return at < h.position; });
        const int64_t end = next == hits.end() ? INT64_MAX : next->position;
        const DrumTemplate t = buildTemplate(samples, count, sampleRate, onset, end);
        for (size_t i = 0; i < t.frames.size(); i++) mean.frames[i] += t.frames[i] / onsets.size();
    }
    mean.strength = openingStrength(mean.frames.data(), bandCount());
    return mean;
}

void reshape(std::vector<DrumTemplate>& templates, const DrumTemplate& heard) {
    if (templates.empty()) return;
    const int bands = bandCount();
    const DrumTemplate& loudest = templates.back();
    std::vector<float> taught(bands, 0.0f), heardBands(bands, 0.0f);
    float taughtSum = 0.0f, heardSum = 0.0f;
    for (int b = 0; b < bands; b++) {
        for (int f = 0; f < kOpeningFrames; f++) {
            taught[b] += loudest.frames[f * bands + b];
            heardBands[b] += heard.frames[f * bands + b];
        }
        taughtSum += taught[b];
        heardSum += heardBands[b];
    }
    if (!(taughtSum > 0.0f && heardSum > 0.0f)) return;
    std::vector<float> gain(bands, 1.0f);
    for (int b = 0; b < bands; b++)
        if (taught[b] > kLeastBandShare * taughtSum)
            gain[b] = std::clamp((heardBands[b] / heardSum) / (taught[b] / taughtSum), 1.0f / kMostGain, kMostGain);
    for (DrumTemplate& t : templates) {
        for (int f = 0; f < kTemplateFrames; f++)
            for (int b = 0; b < bands; b++) t.frames[f * bands + b] *= gain[b];
        t.strength = openingStrength(t.frames.data(), bands);
    }
}

}  // namespace transcriber
