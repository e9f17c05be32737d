#include "auto_thresholds.h"

#include <algorithm>
#include <cmath>

#include "drums.h"

namespace cli {

namespace {

constexpr double kLowestDb = -200.0;
constexpr double kHighestDb = 40.0;
constexpr double kBinsPerDb = 10.0;
constexpr int kNumBins = (int)((kHighestDb - kLowestDb) * kBinsPerDb) + 1;

constexpr double kFloorFraction = 0.10;
constexpr double kMiddleFraction = 0.50;
// Digital silence says nothing about the noise a hit must stand out from.
constexpr double kLargestRangeDb = 80.0;
constexpr double kHighPosition = 0.6;  // of the way from the middle to the peak
constexpr double kReleaseMarginDb = 6.0;
// Hits standing less than this above the middle are not told apart from it.
constexpr double kClearHitDb = 12.0;
constexpr float kSliderMax = 1.0f;

double toDb(double level) { return 20.0 * std::log10(level); }
double fromDb(double db) { return std::pow(10.0, db / 20.0); }

int binOf(double level) {
    if (!(level > 0.0)) return 0;
    double position = (toDb(level) - kLowestDb) * kBinsPerDb;
    return (int)std::clamp(position, 0.0, (double)(kNumBins - 1));
}

double levelOfBin(int bin) { return fromDb(kLowestDb + (bin + 0.5) / kBinsPerDb); }

}  // namespace

const char* const kAutoThresholdRule =
    "auto: a first pass measures the level the detector sees (the 20-sample mean of\n"
    "  |left| + |right| of the plug-in's output). In decibels, with peak = its highest level,\n"
    "  middle = its median and floor = the level 10% of the file stays below (neither more\n"
    "  than 80 dB under the peak): High Threshold = middle + 60% of (peak - middle), so\n"
    "  that hits trigger and the ringing after them does not; release level = the higher of\n"
    "  middle - 6 dB and floor + 6 dB, and at least 6 dB under High Threshold, so that each\n"
    "  hit ends before the next; both kept within the sliders' ranges. Explicit values\n"
    "  override it.";

LevelHistogram::LevelHistogram() : bins(kNumBins, 0) {}

void LevelHistogram::add(double level) {
    bins[(size_t)binOf(level)]++;
    total++;
    maximum = std::max(maximum, level);
}

double LevelHistogram::percentile(double fraction) const {
    int64_t wanted = (int64_t)std::ceil(fraction * (double)total);
    int64_t seen = 0;
    for (int bin = 0; bin < kNumBins; bin++) {
        seen += bins[(size_t)bin];
        if (seen >= wanted && seen > 0) return std::min(levelOfBin(bin), maximum);
    }
    return maximum;
}

AutoThresholds chooseThresholds(const LevelHistogram& levels, int ratioDivisor) {
    AutoThresholds result{{kSliderMax, kSliderMax}, ""};
    // The filters' answer to digital silence is far below this, but not zero.
    if (!(levels.peak() > fromDb(kLowestDb))) {
        result.warning = "the plug-in's output is silent; no thresholds can make it trigger";
        return result;
    }
    double peakDb = toDb(levels.peak());
    double lowestDb = peakDb - kLargestRangeDb;
    double floorDb = std::max(toDb(levels.percentile(kFloorFraction)), lowestDb);
    double middleDb = std::max(toDb(levels.percentile(kMiddleFraction)), lowestDb);
    double span = peakDb - middleDb;
    if (span < kClearHitDb)
        result.warning = "no clear hits: the loudest level is only " +
                         std::to_string((int)std::lround(span)) + " dB above the median";
    double highDb = middleDb + kHighPosition * span;
    double releaseDb = std::min(std::max(middleDb, floorDb + 2 * kReleaseMarginDb) - kReleaseMarginDb,
                                highDb - kReleaseMarginDb);
    float high = std::min((float)fromDb(highDb), kSliderMax);
    float release = (float)fromDb(releaseDb);
    float low = std::min((float)(release / (double)kLowThresholdFactor), kSliderMax);
    result.values = {high, ratioDivisor ? lowForRatio(high, ratioDivisor) : low};
    return result;
}

}  // namespace cli
