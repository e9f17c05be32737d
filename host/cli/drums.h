// What a host needs to know about Tamboro's controls: the three drums with
// their notes and switch positions, and the ratio switch. The values are the
// positions the plug-in's own editor produces, which the plug-in decodes by
// exact comparison, so they must be passed exactly as written here.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "shell/product_facts.h"

namespace cli {

struct Drum {
    const char* name;
    int note;
    float templateInst;  // "Template Inst" position that selects this drum's slot
    float drumSelect;    // "Drum Select" position that fixes this drum
};

constexpr int kNumDrums = plugin_info::kNumDrums;
constexpr std::array<Drum, kNumDrums> kDrums = {{
    {"kick", plugin_info::kNoteKick, plugin_info::kTemplateInstOf[0], plugin_info::kDrumSelectFixed[0]},
    {"snare", plugin_info::kNoteSnare, plugin_info::kTemplateInstOf[1], plugin_info::kDrumSelectFixed[1]},
    {"hihat", plugin_info::kNoteHiHat, plugin_info::kTemplateInstOf[2], plugin_info::kDrumSelectFixed[2]},
}};

using plugin_info::kDrumSelectDynamic;
using plugin_info::kFunctionTemplate;
using plugin_info::kFunctionDetection;

// Index into kDrums of a note number, or nothing for a note Tamboro never sends.
std::optional<int> drumOfNote(int note);
// Index into kDrums by name ("kick", "snare", "hihat").
std::optional<int> drumByName(const std::string& name);

using Ratio = plugin_info::RatioPosition;
inline constexpr const auto& kRatios = plugin_info::kRatioPositions;

// Release threshold factor: with the ratio off the plug-in releases a hit at
// a tenth of "Low Threshold", computed with the single-precision 0.1.
constexpr float kLowThresholdFactor = plugin_info::kReleaseFactor;

}  // namespace cli
