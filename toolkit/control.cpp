#include "control.h"

#include <cstring>

#include "frame.h"

namespace {

// Compares bit patterns so that a NaN value does not count as changed forever.
bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

constexpr float kKeyStep = 0.1f;
constexpr float kFineKeyStep = 0.01f;

bool isDefaultClick(int32_t buttons) {
    return (buttons & (kMouseButtons | kModifiers)) == (kLButton | kControl);
}

}  // namespace

float clampToUnit(float value) {
    if (!(value > 0.0f)) return 0.0f;
    return value < 1.0f ? value : 1.0f;
}

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag,
                   float defaultValue)
    : CView(size), listener(listener), tag(tag), defaultValue(defaultValue) {}

bool CControl::isDirty() const { return CView::isDirty() || !sameBits(value, drawnValue); }

void CControl::onMouseDown(CPoint where, int32_t buttons) {
    // Without a listener nobody hears of a change: no gesture at all.
    if (!listener) return;
    bool plainLeft = (buttons & kMouseButtons) == kLButton;
    bool offered = (buttons & kModifiers) || !plainLeft;
    if (offered && listener->controlModifierClicked(this, buttons)) return;
    if (!plainLeft) return;
    if (isDefaultClick(buttons)) {
        changeInOneGesture(defaultValue);
        return;
    }
    beginEdit();
    tracking = true;
    setValue(valueAtClick(where, buttons));
    report();
}

void CControl::onMouseMoved(CPoint where, int32_t buttons) {
    if (!tracking) return;
    float newValue = valueWhileDragging(where, buttons);
    if (!sameBits(newValue, value)) {
        setValue(newValue);
        report();
    }
    if (CFrame* frame = getFrame()) frame->doIdleStuff();
}

void CControl::onMouseUp(CPoint, int32_t) { endGesture(); }

void CControl::onMouseCancelled() { endGesture(); }

void CControl::endGesture() {
    if (!tracking) return;
    tracking = false;
    endEdit();
}

void CControl::changeInOneGesture(float newValue) {
    beginEdit();
    setValue(newValue);
    report();
    endEdit();
}

bool CControl::stepWithArrowKeys(const VstKeyCode& key) {
    float direction;
    switch (key.virt) {
        case VKEY_UP:
        case VKEY_RIGHT: direction = 1.0f; break;
        case VKEY_DOWN:
        case VKEY_LEFT: direction = -1.0f; break;
        default: return false;
    }
    float step = (key.modifier & MODIFIER_SHIFT) ? kFineKeyStep : kKeyStep;
    changeInOneGesture(clampToUnit(getValue() + direction * step));
    return true;
}

void CControl::beginEdit() {
    if (CFrame* frame = getFrame()) frame->beginEdit(tag);
}

void CControl::endEdit() {
    if (CFrame* frame = getFrame()) frame->endEdit(tag);
}

void CControl::report() {
    if (listener) listener->valueChanged(nullptr, this);
}
