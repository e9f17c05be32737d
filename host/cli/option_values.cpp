#include "option_values.h"

#include <cstdio>

#include "failure.h"

namespace cli {

namespace {

constexpr int kSinglePrecisionBits = 32;
constexpr int kDoublePrecisionBits = 64;
// Beyond these a drum reports every wiggle, or nothing.
constexpr float kLeastSensitivity = 0.01f;
constexpr float kMostSensitivity = 100.0f;

}  // namespace

int parseRatio(const std::string& text) {
    if (text == "off") return 0;
    for (const Ratio& r : kRatios) {
        std::string number = std::to_string(r.divisor);
        if (r.divisor && (text == number || text == number + ":1")) return r.divisor;
    }
    throw Failure("--ratio: '" + text + "' is not one of off, 19, 39, 79, 119");
}

std::optional<int> parseDrum(const std::string& text) {
    if (text == "dynamic") return std::nullopt;
    if (auto drum = drumByName(text)) return drum;
    throw Failure("--drum: '" + text + "' is not one of dynamic, kick, snare, hihat");
}

EngineKind parseEngine(const std::string& text) {
    if (text == "transcriber") return EngineKind::Transcriber;
    if (text == "plugin") return EngineKind::Plugin;
    throw Failure("--engine: '" + text + "' is neither transcriber nor plugin");
}

float parseSensitivity(const std::string& text, const std::string& option) {
    float value = 0.0f;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%f%c", &value, &rest) != 1 || !(value >= kLeastSensitivity) ||
        !(value <= kMostSensitivity))
        throw Failure(option + ": '" + text + "' should be a number from 0.01 to 100 (1: default, 2: more hits, " +
                      "0.5: fewer)");
    return value;
}

Precision parsePrecision(int bits) {
    if (bits == kSinglePrecisionBits) return Precision::Single;
    if (bits == kDoublePrecisionBits) return Precision::Double;
    throw Failure("--precision: " + std::to_string(bits) + " is neither 32 nor 64");
}

std::array<std::string, kNumDrums> parseLearnFiles(const std::vector<std::string>& items) {
    std::array<std::string, kNumDrums> files;
    for (const std::string& item : items) {
        size_t equals = item.find('=');
        auto drum = equals == std::string::npos ? std::nullopt : drumByName(item.substr(0, equals));
        if (!drum || equals + 1 >= item.size())
            throw Failure("--learn: '" + item + "' should be kick=FILE, snare=FILE or hihat=FILE");
        if (!files[(size_t)*drum].empty())
            throw Failure("--learn: " + std::string(kDrums[(size_t)*drum].name) + " is given twice");
        files[(size_t)*drum] = item.substr(equals + 1);
    }
    return files;
}

std::array<std::optional<float>, kNumDrums> parsePerDrum(const std::vector<std::string>& items,
                                                         const std::string& option, ValueParser parse) {
    std::array<std::optional<float>, kNumDrums> values;
    for (const std::string& item : items) {
        size_t equals = item.find('=');
        if (equals == std::string::npos) {
            values.fill(parse(item, option));
            continue;
        }
        auto drum = drumByName(item.substr(0, equals));
        if (!drum) throw Failure(option + ": '" + item + "' should be VALUE, or kick=, snare= or hihat= and a value");
        values[(size_t)*drum] = parse(item.substr(equals + 1), option);
    }
    return values;
}

PlotSize parsePlotSize(const std::string& text) {
    PlotSize size;
    char x = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &size.width, &x, &size.height, &rest) != 3 || (x != 'x' && x != 'X'))
        throw Failure("--plot-size: '" + text + "' should look like 1600x600");
    if (size.width < kMinPlotWidth || size.height < kMinPlotHeight || size.width > kMaxPlotSide ||
        size.height > kMaxPlotSide)
        throw Failure("--plot-size: " + text + " is outside " + std::to_string(kMinPlotWidth) + "x" +
                      std::to_string(kMinPlotHeight) + " to " + std::to_string(kMaxPlotSide) + "x" +
                      std::to_string(kMaxPlotSide));
    return size;
}

}  // namespace cli
