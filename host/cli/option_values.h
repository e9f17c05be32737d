// Command-line words turned into settings, with one-line messages for
// anything the plug-in could not be given.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "conversion.h"

namespace cli {

// "off", "19", "39", "79", "119" (also "19:1"); returns the divisor, 0 for off.
int parseRatio(const std::string& text);
// "dynamic" gives nothing, otherwise the drum's index.
std::optional<int> parseDrum(const std::string& text);
Precision parsePrecision(int bits);
// "transcriber" or "plugin".
EngineKind parseEngine(const std::string& text);
// A transcriber sensitivity, 0.01 to 100.
float parseSensitivity(const std::string& text, const std::string& option);
// Each "DRUM=FILE", at most once per drum.
std::array<std::string, kNumDrums> parseLearnFiles(const std::vector<std::string>& items);
// Each "DRUM=VALUE" sets one drum's value, a bare VALUE every drum's; parse
// reads the value (a threshold parser).
using ValueParser = float (*)(const std::string& text, const std::string& option);
std::array<std::optional<float>, kNumDrums> parsePerDrum(const std::vector<std::string>& items,
                                                         const std::string& option, ValueParser parse);
// "1600x600".
PlotSize parsePlotSize(const std::string& text);

}  // namespace cli
