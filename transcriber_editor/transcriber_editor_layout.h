// Where Tamboro Transcriber's editor puts things and in which colours. It is
// drawn without bitmaps: three columns (kick, snare, hi-hat) of a learn
// button, a sensitivity bar and its read-out, over a strip of recent hits.
#pragma once

#include <cstdint>

#include "toolkit/geometry.h"

namespace transcriber_editor_layout {

constexpr int32_t kWidth = 600;
constexpr int32_t kHeight = 330;
constexpr int32_t kMargin = 20;

constexpr CRect kTitle{0, 8, kWidth, 36};
constexpr CFontDesc kTitleFont{"Sans", 16, true};
constexpr CFontDesc kTextFont{"Sans", 12, false};

// Column d starts at kMargin + d * kColumnPitch.
constexpr int32_t kColumnPitch = 190;
constexpr int32_t kColumnWidth = 180;
constexpr int32_t kLearnTop = 50;
constexpr int32_t kLearnHeight = 30;
constexpr int32_t kSliderTop = 92;
constexpr int32_t kSliderHeight = 18;
constexpr int32_t kReadoutTop = 114;
constexpr int32_t kReadoutHeight = 20;

constexpr CRect kLanes{kMargin, 150, kWidth - kMargin, 310};
constexpr int32_t kLaneLabelWidth = 60;
// A hit crosses the strip in this long.
constexpr int64_t kLaneSpanMs = 4000;

constexpr CRect columnRect(int32_t drum, int32_t top, int32_t height) {
    return {kMargin + drum * kColumnPitch, top, kMargin + drum * kColumnPitch + kColumnWidth,
            top + height};
}

constexpr CColor kBackground{30, 34, 42};
constexpr CColor kText{225, 230, 238};
constexpr CColor kFrame{12, 14, 18};
// Learn buttons: not yet taught, armed (waiting for a hit), taught.
constexpr CColor kUnlearnt{62, 68, 82};
constexpr CColor kArmed{214, 122, 28};
constexpr CColor kLearned{44, 128, 78};
constexpr CColor kSliderTrack{48, 54, 66};
constexpr CColor kSliderFill{70, 130, 196};
constexpr CColor kLaneBackground{20, 22, 28};
constexpr CColor kHitMark{240, 196, 60};

}  // namespace transcriber_editor_layout
