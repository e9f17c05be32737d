// What a host needs to know about Tamboro's controls: the three drums with
// their notes and switch positions, and the ratio switch. The values are the
// positions the plug-in's own editor produces, which the plug-in decodes by
// exact comparison, so they must be passed exactly as written here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace cli {

struct Drum {
    const char* name;
    int note;
    float templateInst;  // "Template Inst" position that selects this drum's slot
    float drumSelect;    // "Drum Select" position that fixes this drum
};

constexpr int kNumDrums = 3;
constexpr std::array<Drum, kNumDrums> kDrums = {{
    {"kick", 36, 0.0f, 1.0f / 3.0f},
    {"snare", 38, 0.5f, 2.0f / 3.0f},
    {"hihat", 42, 1.0f, 1.0f},
}};

constexpr float kDrumSelectDynamic = 0.0f;
constexpr float kFunctionTemplate = 0.0f;
constexpr float kFunctionDetection = 1.0f;

// Index into kDrums of a note number, or nothing for a note Tamboro never sends.
std::optional<int> drumOfNote(int note);
// Index into kDrums by name ("kick", "snare", "hihat").
std::optional<int> drumByName(const std::string& name);

struct Ratio {
    int divisor;          // 0: off
    float ratioSelect;    // "Ratio Select" position
};

constexpr std::array<Ratio, 5> kRatios = {{
    {0, 0.0f}, {19, 0.25f}, {39, 0.5f}, {79, 0.75f}, {119, 1.0f},
}};

// Release threshold factor: with the ratio off the plug-in releases a hit at
// a tenth of "Low Threshold", computed with the single-precision 0.1.
constexpr float kLowThresholdFactor = 0.1f;

}  // namespace cli
