#include "thresholds.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "drums.h"
#include "failure.h"

namespace cli {

namespace {

constexpr double kDbPerDecade = 20.0;
// Below this, even the filters' answer to near-silence reaches the level.
constexpr double kSenselessDb = -100.0;

bool endsWithDb(std::string& text) {
    while (!text.empty() && std::isspace((unsigned char)text.back())) text.pop_back();
    if (text.size() < 2) return false;
    std::string unit = text.substr(text.size() - 2);
    if (std::tolower((unsigned char)unit[0]) != 'd' || std::tolower((unsigned char)unit[1]) != 'b')
        return false;
    text.resize(text.size() - 2);
    while (!text.empty() && std::isspace((unsigned char)text.back())) text.pop_back();
    return true;
}

double parseNumber(const std::string& text, const std::string& option) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(value))
        throw Failure(option + ": '" + text + "' is not a number (give 0 to 1, or decibels like -12dB)");
    return value;
}

float checkedValue(double value, const std::string& text, const std::string& option) {
    if (!(value >= 0.0 && value <= 1.0))
        throw Failure(option + ": " + text + " is outside the slider's range (0 to 1)");
    return (float)value;
}

std::string formatDescription(float value, double db) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f (%.3f dB)", value, db);
    return text;
}

}  // namespace

double highToDb(float value) { return kDbPerDecade * std::log10(value); }
double lowToDb(float value) { return kDbPerDecade * std::log10((float)(value * kLowThresholdFactor)); }
float highFromDb(double db) { return (float)std::pow(10.0, db / kDbPerDecade); }
float lowFromDb(double db) { return (float)(std::pow(10.0, db / kDbPerDecade) / kLowThresholdFactor); }

float parseHighThreshold(const std::string& text, const std::string& option) {
    std::string number = text;
    if (endsWithDb(number)) return checkedValue(highFromDb(parseNumber(number, option)), text, option);
    return checkedValue(parseNumber(number, option), text, option);
}

float parseLowThreshold(const std::string& text, const std::string& option) {
    std::string number = text;
    if (endsWithDb(number)) {
        double db = parseNumber(number, option);
        // The low read-out of a full slider shows -20 dB; round-off of a value
        // copied from it must not push it past the end.
        double value = std::pow(10.0, db / kDbPerDecade) / kLowThresholdFactor;
        if (value > 1.0 && value < 1.0 + 1e-4) value = 1.0;
        return checkedValue(value, text, option);
    }
    return checkedValue(parseNumber(number, option), text, option);
}

std::string describeHigh(float value) { return formatDescription(value, highToDb(value)); }
std::string describeLow(float value) { return formatDescription(value, lowToDb(value)); }

std::vector<std::string> thresholdWarnings(std::optional<float> high, std::optional<float> low, int ratioDivisor) {
    std::vector<std::string> warnings;
    if (high && !(highToDb(*high) > kSenselessDb))
        warnings.push_back("--high " + describeHigh(*high) + " is at or below " + std::to_string((int)kSenselessDb) +
                           " dB, so every faint noise starts a hit; was a decibel value meant (like -12dB)?");
    if (low && !ratioDivisor) {
        if (!(lowToDb(*low) > kSenselessDb))
            warnings.push_back("--low " + describeLow(*low) + ": the level never falls that far, so a hit is " +
                               "never released and at most one note comes; give a release level like -40dB");
        else if (high && releaseLevel({*high, *low}, 0) >= *high)
            warnings.push_back("the release level " + describeLow(*low) + " is not below High Threshold " +
                               describeHigh(*high) + ", so every hit re-triggers while it sounds; give a lower --low");
    }
    return warnings;
}

float lowForRatio(float high, int ratioDivisor) {
    return (float)(((double)high / ratioDivisor) / (double)kLowThresholdFactor);
}

float releaseLevel(const Thresholds& t, int ratioDivisor) {
    float low = ratioDivisor ? lowForRatio(t.high, ratioDivisor) : t.low;
    return (float)((double)low * (double)kLowThresholdFactor);
}

}  // namespace cli
