// Where the editor's pieces come from and where they go. Rectangles that
// follow from bitmap sizes are computed from the loaded bitmaps.
#pragma once

#include <cstdint>

#include "shell/plugin_info.h"
#include "toolkit/geometry.h"

namespace editor_layout {

// Bitmap resource numbers.
constexpr int32_t kBackgroundBitmap = 101;
constexpr int32_t kSliderTrackBitmap = 102;
constexpr int32_t kSliderHandleBitmap = 103;
constexpr int32_t kDrumSelectBitmap = 104;
constexpr int32_t kFunctionBitmap = 105;
constexpr int32_t kTemplateInstBitmap = 106;
constexpr int32_t kRatioSelectBitmap = 107;

// The High Threshold track's top left corner; the Low Threshold track sits one
// track width plus this gap to its right.
constexpr CPoint kFirstSliderOrigin{65, 150};
constexpr int32_t kSliderGap = 100;
// Draws the 25-pixel handle centred on the 64-pixel track.
constexpr CPoint kHandleOffset{19, 0};

struct SwitchPlace {
    int32_t tag;
    int32_t bitmap;
    int32_t top;
    int32_t positions;
};
constexpr int32_t kSwitchLeft = 395;
constexpr SwitchPlace kSwitches[] = {
    // Dynamic, Kick, Snare, Hi Hat
    {plugin_info::kDrumSelect, kDrumSelectBitmap, 150, plugin_info::kDrumSelectPositions},
    // Template, Detection
    {plugin_info::kFunction, kFunctionBitmap, 270, plugin_info::kFunctionPositions},
    // Kick, Snare, Hi Hat
    {plugin_info::kTemplateInst, kTemplateInstBitmap, 395, plugin_info::kTemplateInstPositions},
    // Off, 19:1, 39:1, 79:1, 119:1
    {plugin_info::kRatioSelect, kRatioSelectBitmap, 520, plugin_info::kRatioSelectPositions},
};

// Read-outs: centred under their slider, this far below its bottom.
constexpr int32_t kReadoutWidth = 70;
constexpr int32_t kReadoutHeight = 20;
constexpr int32_t kReadoutGap = 22;
constexpr CColor kReadoutText = kWhiteCColor;
constexpr CColor kReadoutFill{59, 110, 163};
constexpr CColor kReadoutFrame = kBlackCColor;

}  // namespace editor_layout
