// The two threshold parameters as values from 0 to 1 and as the decibels the
// plug-in's editor shows under its sliders: the high read-out is
// 20*log10(v), the low read-out 20*log10(v * 0.1), the level at which a hit
// is released while no ratio is selected.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Thresholds {
    float high;
    float low;
};

double highToDb(float value);
double lowToDb(float value);
float highFromDb(double db);
float lowFromDb(double db);

// Reads "0.25" or "-12dB" (also "-12 dB", any case). Throws Failure naming
// option when the text is neither or the value lies outside 0 to 1.
float parseHighThreshold(const std::string& text, const std::string& option);
float parseLowThreshold(const std::string& text, const std::string& option);

// "0.250000 (-12.041 dB)", as the editor's read-out formats it.
std::string describeHigh(float value);
std::string describeLow(float value);

// The level at which the plug-in releases a hit: a tenth of "Low Threshold"
// with the ratio off, "High Threshold" / divisor with a ratio.
float releaseLevel(const Thresholds& t, int ratioDivisor);
// Warnings, with the likely cause, for given thresholds that cannot work:
// a High Threshold every noise reaches, a release level never reached or
// not below High Threshold. Missing values are not judged.
std::vector<std::string> thresholdWarnings(std::optional<float> high, std::optional<float> low, int ratioDivisor);

// "Low Threshold" as the plug-in rewrites it while a ratio is selected.
float lowForRatio(float high, int ratioDivisor);

}  // namespace cli
