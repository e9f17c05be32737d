// What the host is told: names, identifiers, counts, flags and capabilities,
// with the rest of the product's facts from product_facts.h. Tests read them
// from here.
#pragma once

#include <cstdint>

#include "product_facts.h"
#include "vst_abi.h"

namespace plugin_info {

constexpr const char* kEffectName = "Tamboro";
constexpr const char* kProductName = "Tamboro";
constexpr const char* kVendorName = "Quillon";
constexpr int32_t kVendorVersion = 1000;
constexpr int32_t kUniqueId = fourChars('0', '4', '0', '6');
constexpr int32_t kVersion = 1;

constexpr int32_t kNumInputs = 2;
constexpr int32_t kNumOutputs = 2;
constexpr int32_t kNumPrograms = 1;
// Parameters 5 and 6 exist in every parameter operation but are not announced.
constexpr int32_t kNumAnnouncedParams = 5;
constexpr int32_t kInitialDelay = 100;

constexpr int32_t kFlags =
    effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing | effFlagsCanDoubleReplacing;
static_assert(kFlags == 0x1019);

constexpr const char* kDefaultProgramName = "Default";

constexpr const char* kCanDoSendEvents = "sendVstEvents";
constexpr const char* kCanDoSendMidiEvent = "sendVstMidiEvent";

constexpr int32_t kIdentify = fourChars('N', 'v', 'E', 'f');

}  // namespace plugin_info
