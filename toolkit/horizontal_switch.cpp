#include "horizontal_switch.h"

#include <algorithm>
#include <cmath>

#include "bitmap.h"
#include "draw_context.h"

namespace {

constexpr float kSwitchDefault = 0.0f;

}  // namespace

CHorizontalSwitch::CHorizontalSwitch(const CRect& size, CControlListener* listener,
                                     int32_t tag, int32_t subPixmaps, int32_t heightOfOneImage,
                                     int32_t positions, CBitmap* background, CPoint offset)
    : CControl(size, listener, tag, kSwitchDefault),
      subPixmaps(subPixmaps),
      heightOfOneImage(heightOfOneImage),
      positions(positions),
      background(background),
      offset(offset) {
    if (background) background->remember();
}

CHorizontalSwitch::~CHorizontalSwitch() {
    if (background) background->forget();
}

// The nearest position, halves rounding up. Host values outside [0, 1] show
// the first or last image rather than whatever lies beyond the bitmap.
int32_t CHorizontalSwitch::imageIndex() const {
    long nearest = (long)((positions - 1) * clampToUnit(getValue()) + 0.5f);
    return (int32_t)std::clamp<long>(nearest, 0, std::max(subPixmaps - 1, 0));
}

void CHorizontalSwitch::draw(CDrawContext& context) {
    if (!background) return;
    CPoint source{offset.x, offset.y + heightOfOneImage * imageIndex()};
    context.drawBitmap(*background, getViewSize(), source, false);
}

float CHorizontalSwitch::valueAtClick(CPoint where, int32_t) {
    if (positions < 2 || !background || background->getWidth() <= 0) return 0.0f;
    float zoneWidth = (float)background->getWidth() / (float)positions;
    float zone = std::floor((float)(where.x - getViewSize().left) / zoneWidth);
    return clampToUnit(zone / (float)(positions - 1));
}
