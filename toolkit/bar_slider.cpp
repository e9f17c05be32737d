#include "bar_slider.h"

#include <cmath>

#include "draw_context.h"

namespace {

// The frame's width: the fill runs inside it.
constexpr int32_t kBorder = 1;

}  // namespace

CBarSlider::CBarSlider(const CRect& size, CControlListener* listener, int32_t tag,
                       float defaultValue, const CBarSliderColors& colors)
    : CSliderBase(size, listener, tag, defaultValue), colors(colors) {}

void CBarSlider::draw(CDrawContext& context) {
    const CRect& size = getViewSize();
    CRect inside{size.left + kBorder, size.top + kBorder, size.right - kBorder,
                 size.bottom - kBorder};
    context.fillRect(inside, colors.track);
    int32_t filled = (int32_t)std::lround(inside.width() * clampToUnit(getValue()));
    context.fillRect({inside.left, inside.top, inside.left + filled, inside.bottom}, colors.fill);
    context.frameRect(size, colors.frame);
}

float CBarSlider::valueAtPoint(CPoint where) const {
    int32_t travel = getViewSize().width() - 2 * kBorder;
    if (travel <= 0) return getValue();
    return (float)(where.x - getViewSize().left - kBorder) / (float)travel;
}
