// Analysis frames to band magnitudes: Hann window, real transform, and
// triangular bands in Hz. Magnitudes are divided by the window's sum so that
// a sound gives the same band values at every sample rate.
//
// The windowed frame is folded in half (its second half added to its first)
// before the transform: that gives exactly the even bins of the full
// window's transform at half the cost. The bins are 43 Hz apart instead of
// 21.5, still finer than the bands.
//
// One transform call takes up to kLanes frames, one in each lane of kissfft's
// SIMD scalar; the lanes never mix, so a frame's bands are the same whichever
// frames share its call.
#pragma once

#include <kiss_fftr.h>

#include <vector>

namespace transcriber {

class BandMagnitudes {
public:
    static constexpr int kLanes = 4;

    BandMagnitudes() = default;
    ~BandMagnitudes();
    BandMagnitudes(const BandMagnitudes&) = delete;
    BandMagnitudes& operator=(const BandMagnitudes&) = delete;

    // Allocates everything; returns false when out of memory. The window is
    // the analysis grid's unless given (samples, a multiple of 4).
    bool configure(double sampleRate, int windowLength = 0);
    int windowLength() const { return static_cast<int>(window_.size()); }

    // frames[i]: windowLength() samples, oldest first; bands[i]: bandCount()
    // values; i < count <= kLanes.
    void analyse(const float* const* frames, float* const* bands, int count);
    void analyse(const float* frame, float* bands) { analyse(&frame, &bands, 1); }

private:
    // A value per lane, laid out as kissfft's SIMD scalar.
    struct alignas(16) Lanes {
        float lane[kLanes];
    };
    static_assert(sizeof(Lanes) == sizeof(kiss_fft_scalar), "kissfft is not built with USE_SIMD");

    struct BandWeights {
        int firstBin;
        std::vector<float> weights;
    };

    void fold(const float* const* frames, int count);
    void sumFirstLane(float* bands);
    void sumLanes(float* const* bands, int count);

    std::vector<float> window_;
    std::vector<Lanes> folded_;
    std::vector<kiss_fft_cpx> bins_;
    std::vector<Lanes> magnitudes_;
    std::vector<float> laneMagnitudes_;
    std::vector<BandWeights> bands_;
    kiss_fftr_cfg fft_ = nullptr;
};

}  // namespace transcriber
