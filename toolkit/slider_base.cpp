#include "slider_base.h"

namespace {

// Shift makes a drag move the value this much slower.
constexpr float kFineDragScale = 0.1f;

}  // namespace

float CSliderBase::valueAtClick(CPoint where, int32_t) {
    lastPoint = where;
    return clampToUnit(valueAtPoint(where));
}

float CSliderBase::valueWhileDragging(CPoint where, int32_t buttons) {
    float value = valueAtPoint(where);
    if (buttons & kShift) value = getValue() + (valueAtPoint(where) - valueAtPoint(lastPoint)) * kFineDragScale;
    lastPoint = where;
    return clampToUnit(value);
}
