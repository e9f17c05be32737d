// Fine-time onset evidence per drum: the 46 ms frames of the decomposition
// smear a soft stroke under a louder one's ring, but a short window (about
// 12 ms) shows it as a sudden rise. Per band, the rise of the log magnitude
// over the largest of its neighbours two hops before (a maximum filter, so
// a ring that wobbles between bands does not count); per drum, the rises
// weighted by the drum's template in its opening frames. Log magnitudes make
// the evidence independent of the recording's level.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "transcriber/band_magnitudes.h"
#include "transcriber/hit.h"

namespace transcriber {

class OnsetNovelty {
public:
    // Allocates; returns false when out of memory.
    bool configure(double sampleRate);
    // The drum's band profile (bandCount() values, not negative).
    void setProfile(Drum drum, const float* profile);
    void restart();
    // frames[i]: the analysis grid's window of samples, oldest first, for
    // frame first + i (i < count <= BandMagnitudes::kLanes).
    void analyse(int64_t first, const float* const* frames, int count, int windowLength);
    // Works out frame `index`'s evidence, once it and the frames before it
    // are analysed.
    void push(int64_t index);
    // The drum's evidence at frame `index` (one of the last kKeptFrames).
    float evidence(Drum drum, int64_t index) const {
        return evidence_[static_cast<int>(drum)][index % kKeptFrames];
    }
    static constexpr int kKeptFrames = 8;

private:
    // Frames back that a rise is measured against: the short windows then do
    // not overlap.
    static constexpr int kLag = 2;
    // The frames a rise is measured against and those analysed ahead.
    static constexpr int kRingFrames = kLag + BandMagnitudes::kLanes;
    float* bandsOf(int64_t index);

    BandMagnitudes spectrum_;
    int windowLength_ = 0;
    std::vector<float> bands_;  // kRingFrames frames, a ring
    std::array<std::vector<float>, kDrumCount> profile_;
    std::array<std::array<float, kKeptFrames>, kDrumCount> evidence_{};
};

}  // namespace transcriber
