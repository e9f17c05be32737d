#include "transcriber/band_magnitudes.h"

#include <cmath>

#include "transcriber/analysis_grid.h"

namespace transcriber {

namespace {

// M_PI is an extension some C libraries leave out.
constexpr double kPi = 3.14159265358979323846;

// The first lanes of four vectors, in one.
__m128 firstLanes(__m128 a, __m128 b, __m128 c, __m128 d) {
    return _mm_movelh_ps(_mm_unpacklo_ps(a, b), _mm_unpacklo_ps(c, d));
}

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
    laneMagnitudes_.resize(size / 2 + 1);
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

// With four frames, four samples of each at once, turned into four samples'
// lanes; otherwise (and for the last samples) lane by lane. Lanes past count
// keep what they held: no other lane reads them.
void BandMagnitudes::fold(const float* const* frames, int count) {
    const int size = static_cast<int>(folded_.size());
    const float* w = window_.data();
    int i = 0;
    for (; count == kLanes && i + kLanes <= size; i += kLanes) {
        __m128 v[kLanes];
        for (int l = 0; l < kLanes; l++)
            v[l] = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(frames[l] + i), _mm_loadu_ps(w + i)),
                              _mm_mul_ps(_mm_loadu_ps(frames[l] + i + size), _mm_loadu_ps(w + i + size)));
        _MM_TRANSPOSE4_PS(v[0], v[1], v[2], v[3]);
        for (int l = 0; l < kLanes; l++) _mm_store_ps(folded_[i + l].lane, v[l]);
    }
    for (int l = 0; l < count; l++) {
        const float* frame = frames[l];
        int j = i;
        for (; j + kLanes <= size; j += kLanes) {
            Lanes v;
            _mm_store_ps(v.lane, _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(frame + j), _mm_loadu_ps(w + j)),
                                            _mm_mul_ps(_mm_loadu_ps(frame + j + size), _mm_loadu_ps(w + j + size))));
            for (int k = 0; k < kLanes; k++) folded_[j + k].lane[l] = v.lane[k];
        }
        for (; j < size; j++) folded_[j].lane[l] = frame[j] * w[j] + frame[j + size] * w[j + size];
    }
}

void BandMagnitudes::analyse(const float* const* frames, float* const* bands, int count) {
    fold(frames, count);
    kiss_fftr(fft_, reinterpret_cast<const kiss_fft_scalar*>(folded_.data()), bins_.data());
    if (count == 1)
        sumFirstLane(bands[0]);
    else
        sumLanes(bands, count);
}

// sumFirstLane() and sumLanes() do, lane by lane, the same float operations
// in the same order, so a frame's bands are the same whichever summed them.

// One frame alone: four bins' square roots at once rather than four lanes'.
void BandMagnitudes::sumFirstLane(float* bands) {
    const size_t bins = bins_.size();
    size_t k = 0;
    for (const kiss_fft_cpx* bin = bins_.data(); k + 4 <= bins; k += 4, bin += 4) {
        const __m128 r = firstLanes(bin[0].r, bin[1].r, bin[2].r, bin[3].r);
        const __m128 i = firstLanes(bin[0].i, bin[1].i, bin[2].i, bin[3].i);
        _mm_storeu_ps(&laneMagnitudes_[k], _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(r, r), _mm_mul_ps(i, i))));
    }
    for (; k < bins; k++) {
        const float r = _mm_cvtss_f32(bins_[k].r), i = _mm_cvtss_f32(bins_[k].i);
        laneMagnitudes_[k] = std::sqrt(r * r + i * i);
    }
    for (size_t b = 0; b < bands_.size(); b++) {
        const BandWeights& band = bands_[b];
        float sum = 0.0f;
        for (size_t j = 0; j < band.weights.size(); j++) sum += band.weights[j] * laneMagnitudes_[band.firstBin + j];
        bands[b] = sum;
    }
}

void BandMagnitudes::sumLanes(float* const* bands, int count) {
    for (size_t k = 0; k < bins_.size(); k++) {
        const kiss_fft_cpx& bin = bins_[k];
        _mm_store_ps(magnitudes_[k].lane,
                     _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(bin.r, bin.r), _mm_mul_ps(bin.i, bin.i))));
    }
    for (size_t b = 0; b < bands_.size(); b++) {
        const BandWeights& band = bands_[b];
        __m128 sum = _mm_setzero_ps();
        for (size_t j = 0; j < band.weights.size(); j++)
            sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(band.weights[j]), _mm_load_ps(magnitudes_[band.firstBin + j].lane)));
        Lanes out;
        _mm_store_ps(out.lane, sum);
        for (int l = 0; l < count; l++) bands[l][b] = out.lane[l];
    }
}

}  // namespace transcriber
