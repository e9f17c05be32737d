// One analysis frame to band magnitudes: Hann window, real transform, and
// triangular bands in Hz. Magnitudes are divided by the window's sum so that
// a sound gives the same band values at every sample rate.
//
// The windowed frame is folded in half (its second half added to its first)
// before the transform: that gives exactly the even bins of the full
// window's transform at half the cost. The bins are 43 Hz apart instead of
// 21.5, still finer than the bands.
#pragma once

#include <kiss_fftr.h>

#include <vector>

namespace transcriber {

class BandMagnitudes {
public:
    BandMagnitudes() = default;
    ~BandMagnitudes();
    BandMagnitudes(const BandMagnitudes&) = delete;
    BandMagnitudes& operator=(const BandMagnitudes&) = delete;

    // Allocates everything; returns false when out of memory. The window is
    // the analysis grid's unless given (samples, a multiple of 4).
    bool configure(double sampleRate, int windowLength = 0);
    int windowLength() const { return static_cast<int>(window_.size()); }

    // frame: windowLength() samples, oldest first. bands: bandCount() values.
    void analyse(const float* frame, float* bands);

private:
    struct BandWeights {
        int firstBin;
        std::vector<float> weights;
    };

    std::vector<float> window_;
    std::vector<float> folded_;
    std::vector<kiss_fft_cpx> bins_;
    std::vector<float> magnitudes_;
    std::vector<BandWeights> bands_;
    kiss_fftr_cfg fft_ = nullptr;
};

}  // namespace transcriber
