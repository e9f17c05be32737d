// Thresholds chosen from a recording's own level, so that its hits trigger
// and its quiet parts do not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "thresholds.h"

namespace cli {

// How often each level occurs, in bins of a tenth of a decibel.
class LevelHistogram {
public:
    LevelHistogram();
    void add(double level);
    int64_t count() const { return total; }
    double peak() const { return maximum; }
    // The level below which the given fraction (0 to 1) of all samples lie.
    double percentile(double fraction) const;

private:
    std::vector<int64_t> bins;
    int64_t total = 0;
    double maximum = 0.0;
};

struct AutoThresholds {
    Thresholds values;
    // Empty, or why the values may not work for this recording.
    std::string warning;
};

// The rule (kAutoThresholdRule), in decibels of the level: "High Threshold"
// well above the median, where the ringing between hits lives, and the
// release level just under it but above the quietest tenth, so that every
// hit is released before the next; both kept within the sliders' ranges.
AutoThresholds chooseThresholds(const LevelHistogram& levels, int ratioDivisor);

// The rule in one paragraph, for --help and messages.
extern const char* const kAutoThresholdRule;

}  // namespace cli
