// Where Tamboro's editor puts things, in window coordinates, and the values
// its controls stand for: shared by the editor's tests on X11 and on Win32.
#pragma once

#include <cmath>
#include <cstdint>

#include "shell/product_facts.h"
#include "toolkit/geometry.h"

namespace editor_test {

constexpr int kWidth = plugin_info::kEditorWidth;
constexpr int kHeight = plugin_info::kEditorHeight;

constexpr CRect kHighSlider{65, 150, 129, 473};
constexpr CRect kLowSlider{229, 150, 293, 473};
constexpr CRect kHighReadout{62, 495, 132, 515};
constexpr CRect kLowReadout{226, 495, 296, 515};
constexpr int kHandleOffsetX = 19;
constexpr int kHandleHeight = 35;
constexpr int kTravel = 287;

struct Strip {
    int32_t tag;
    int32_t bitmap;
    CRect place;
    int32_t positions;
};
constexpr Strip kStrips[] = {
    {2, 104, {395, 150, 708, 212}, 4},
    {3, 105, {395, 270, 625, 332}, 2},
    {4, 106, {395, 395, 626, 457}, 3},
    {5, 107, {395, 520, 708, 582}, 5},
};

// The row of the handle's top for a slider value.
inline int handleTop(const CRect& slider, float value) {
    return slider.top + (int)(kTravel * (1.0f - value));
}

// The window row that puts the handle's centre at value (the inverse of a click).
inline int rowForValue(const CRect& slider, float value) {
    return (int)std::lround(slider.top + kHandleHeight / 2.0 + kTravel * (1.0 - value));
}

// The x in the middle of position k's click zone.
inline int zoneCentre(const Strip& strip, int k) {
    return strip.place.left + (int)(strip.place.width() * (k + 0.5) / strip.positions);
}

}  // namespace editor_test
