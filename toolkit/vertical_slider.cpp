#include "vertical_slider.h"

#include "bitmap.h"
#include "draw_context.h"

namespace {

constexpr float kSliderDefault = 0.5f;

void remember(CBitmap* bitmap) {
    if (bitmap) bitmap->remember();
}

void forget(CBitmap* bitmap) {
    if (bitmap) bitmap->forget();
}

}  // namespace

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag,
                                 int32_t minPos, int32_t maxPos, CBitmap* handle,
                                 CBitmap* track, CPoint offset, CSliderStyle style)
    : CSliderBase(size, listener, tag, kSliderDefault),
      range(maxPos - minPos),
      handle(handle),
      track(track),
      offset(offset),
      style(style) {
    remember(handle);
    remember(track);
}

CVerticalSlider::~CVerticalSlider() {
    forget(handle);
    forget(track);
}

int32_t CVerticalSlider::handleTop() const {
    float value = clampToUnit(getValue());
    float fromTop = style == kBottom ? 1.0f - value : value;
    return getViewSize().top + offsetHandle.y + (int32_t)(range * fromTop);
}

void CVerticalSlider::draw(CDrawContext& context) {
    if (track) context.drawBitmap(*track, getViewSize(), offset, false);
    if (!handle) return;
    CRect handleRect = rectOfSize({getViewSize().left + offsetHandle.x, handleTop()},
                                  handle->getWidth(), handle->getHeight());
    context.drawBitmap(*handle, handleRect, {0, 0}, true);
}

float CVerticalSlider::valueAtPoint(CPoint where) const {
    if (range == 0) return getValue();
    float handleHeight = handle ? (float)handle->getHeight() : 0.0f;
    float top = (float)where.y - handleHeight / 2.0f - (float)(getViewSize().top + offsetHandle.y);
    float fromTop = top / (float)range;
    return style == kBottom ? 1.0f - fromTop : fromTop;
}
