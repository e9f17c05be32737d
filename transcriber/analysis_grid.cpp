#include "transcriber/analysis_grid.h"

#include <cmath>

namespace transcriber {
namespace {

constexpr double kLowestBandHz = 40.0;
constexpr double kHighestBandHz = 16000.0;
constexpr double kMinBandSpacingHz = 55.0;
constexpr double kBandsPerOctave = 5.0;
constexpr double kUsableFractionOfNyquist = 0.9;

// kissfft is fast for sizes whose only prime factors are 2, 3 and 5.
bool fastTransformSize(int n) {
    for (int p : {2, 3, 5})
        while (n % p == 0) n /= p;
    return n == 1;
}

}  // namespace

bool sampleRateSupported(double sampleRate) {
    return sampleRate >= kMinSampleRate && sampleRate <= kMaxSampleRate;
}

int foldedWindowLength(double sampleRate, double seconds) {
    // The transform takes the window folded in half (see BandMagnitudes), so
    // its size is half the window's and must be even.
    int n = static_cast<int>(std::lround(sampleRate * seconds));
    n += (4 - n % 4) % 4;
    while (!fastTransformSize(n / 2)) n += 4;
    return n;
}

AnalysisGrid analysisGrid(double sampleRate) {
    AnalysisGrid grid;
    grid.windowLength = foldedWindowLength(sampleRate, kWindowSeconds);
    grid.hop = static_cast<int>(std::lround(sampleRate * kHopSeconds));
    return grid;
}

const std::vector<double>& bandCentres() {
    static const std::vector<double> centres = [] {
        std::vector<double> c;
        const double logStep = std::pow(2.0, 1.0 / kBandsPerOctave) - 1.0;
        for (double f = kLowestBandHz; f <= kHighestBandHz;
             f += std::fmax(kMinBandSpacingHz, f * logStep))
            c.push_back(f);
        return c;
    }();
    return centres;
}

int bandCount() { return static_cast<int>(bandCentres().size()); }

int usableBandCount(double sampleRate) {
    int n = 0;
    for (double c : bandCentres())
        if (c < kUsableFractionOfNyquist * sampleRate / 2) n++;
    return n;
}

}  // namespace transcriber
