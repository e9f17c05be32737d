#include "transcriber/band_magnitudes.h"

#include <cmath>

#include "transcriber/analysis_grid.h"

namespace transcriber {

namespace {

// M_PI is an extension some C libraries leave out.
constexpr double kPi = 3.14159265358979323846;

}  // namespace

BandMagnitudes::~BandMagnitudes() { kiss_fftr_free(fft_); }

bool BandMagnitudes::configure(double sampleRate, int windowLength) {
    const int n = windowLength > 0 ? windowLength : analysisGrid(sampleRate).windowLength;
    const int size = n / 2;  // the transform's
    kiss_fftr_free(fft_);
    fft_ = kiss_fftr_alloc(size, 0, nullptr, nullptr);
    if (!fft_) return false;
    window_.resize(n);
    folded_.resize(size);
    bins_.resize(size / 2 + 1);
    magnitudes_.resize(size / 2 + 1);
    double sum = 0.0;
    for (int i = 0; i < n; i++) {
        window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * kPi * i / n));
        sum += window_[i];
    }
    for (float& w : window_) w = static_cast<float>(w / sum);

    const std::vector<double>& centres = bandCentres();
    const double binHz = sampleRate / size;
    const int count = static_cast<int>(centres.size());
    bands_.assign(count, {});
    for (int b = 0; b < count; b++) {
        const double lo = b > 0 ? centres[b - 1] : 0.0;
        const double hi = b + 1 < count ? centres[b + 1] : centres[b] * 1.2;
        BandWeights& band = bands_[b];
        band.firstBin = static_cast<int>(std::ceil(lo / binHz));
        for (int k = band.firstBin; k * binHz < hi && k <= size / 2; k++) {
            const double f = k * binHz;
            const double w = f < centres[b] ? (f - lo) / (centres[b] - lo)
                                            : (hi - f) / (hi - centres[b]);
            band.weights.push_back(static_cast<float>(w));
        }
    }
    return true;
}

void BandMagnitudes::analyse(const float* frame, float* bands) {
    const int size = static_cast<int>(folded_.size());
    for (int i = 0; i < size; i++)
        folded_[i] = frame[i] * window_[i] + frame[i + size] * window_[i + size];
    kiss_fftr(fft_, folded_.data(), bins_.data());
    for (int k = 0; k <= size / 2; k++)
        magnitudes_[k] = std::sqrt(bins_[k].r * bins_[k].r + bins_[k].i * bins_[k].i);
    for (size_t b = 0; b < bands_.size(); b++) {
        const BandWeights& band = bands_[b];
        float sum = 0.0f;
        for (size_t j = 0; j < band.weights.size(); j++)
            sum += band.weights[j] * magnitudes_[band.firstBin + j];
        bands[b] = sum;
    }
}

}  // namespace transcriber
