#include "transcriber/onset_novelty.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "transcriber/analysis_grid.h"

namespace transcriber {
namespace {

constexpr double kShortWindowSeconds = 0.0116;
// Magnitudes below about -100 dB weigh little, so that the rise from
// digital silence to dither is not taken for a stroke. Above that the
// logarithm makes the evidence the same for a recording 20 dB quieter
// (knees at -60 and -80 dB measured drum F 0.910 and 0.925 instead of 0.926).
constexpr float kLogGain = 1e5f;

}  // namespace

bool OnsetNovelty::configure(double sampleRate) {
    const int n = foldedWindowLength(sampleRate, kShortWindowSeconds);
    try {
        if (!spectrum_.configure(sampleRate, n)) return false;
        windowLength_ = n;
        bands_.assign(static_cast<size_t>(kRingFrames) * bandCount(), 0.0f);
        for (auto& p : profile_) p.assign(bandCount(), 0.0f);
    } catch (const std::bad_alloc&) {
        return false;
    }
    restart();
    return true;
}

void OnsetNovelty::setProfile(Drum drum, const float* profile) {
    std::vector<float>& p = profile_[static_cast<int>(drum)];
    float sum = 0.0f;
    for (size_t b = 0; b < p.size(); b++) sum += p[b] = profile[b];
    for (float& x : p) x = sum > 0.0f ? x / sum : 0.0f;
}

void OnsetNovelty::restart() {
    std::fill(bands_.begin(), bands_.end(), 0.0f);
    for (auto& e : evidence_) e.fill(0.0f);
}

float* OnsetNovelty::bandsOf(int64_t index) { return &bands_[(index % kRingFrames) * bandCount()]; }

void OnsetNovelty::analyse(int64_t first, const float* const* frames, int count, int windowLength) {
    // The short window ends where the frame's does.
    const float* shortWindows[BandMagnitudes::kLanes];
    float* bands[BandMagnitudes::kLanes];
    for (int i = 0; i < count; i++) {
        shortWindows[i] = frames[i] + (windowLength - windowLength_);
        bands[i] = bandsOf(first + i);
    }
    spectrum_.analyse(shortWindows, bands, count);
}

void OnsetNovelty::push(int64_t index) {
    const int bands = bandCount();
    const float* now = bandsOf(index);
    const float* before = bandsOf(index + kRingFrames - kLag);
    std::array<float, kDrumCount> sum{};
    for (int b = 0; b < bands; b++) {
        const float reference = std::max({before[std::max(0, b - 1)], before[b], before[std::min(bands - 1, b + 1)]});
        // The logarithm is monotonic: only rising bands need one.
        if (now[b] <= reference) continue;
        const float rise = std::log((1.0f + kLogGain * now[b]) / (1.0f + kLogGain * reference));
        for (int d = 0; d < kDrumCount; d++) sum[d] += profile_[d][b] * rise;
    }
    for (int d = 0; d < kDrumCount; d++) evidence_[d][index % kKeptFrames] = sum[d];
}

}  // namespace transcriber
