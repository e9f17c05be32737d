// A view that holds one normalized value and reports user changes of it.
//
// The value is stored and read on the user-interface thread only; an editor
// that hears of parameter changes on other threads hands them over first.
#pragma once

#include <cstdint>

#include "view.h"

class CControl;
class CDrawContext;

class CControlListener {
public:
    virtual ~CControlListener() = default;
    // A user action changed control's value. No context is passed: drawing
    // happens only when the frame repaints.
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // Clicks with a modifier or another button are offered here first;
    // nonzero means the listener handled it.
    virtual int32_t controlModifierClicked(CControl*, int32_t) { return 0; }
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, int32_t tag, float defaultValue);

    // Stores only; the control is repainted at the next idle because the value
    // differs from the one last drawn.
    void setValue(float newValue) { value = newValue; }
    float getValue() const { return value; }
    int32_t getTag() const { return tag; }
    bool isDirty() const override;

    void onMouseDown(CPoint where, int32_t buttons) override;
    void onMouseMoved(CPoint where, int32_t buttons) override;
    void onMouseUp(CPoint where, int32_t buttons) override;
    void onMouseCancelled() override;

protected:
    // The value under the pointer at the start of a drag and while it goes on.
    virtual float valueAtClick(CPoint, int32_t) { return value; }
    virtual float valueWhileDragging(CPoint where, int32_t buttons) {
        return valueAtClick(where, buttons);
    }
    void markDrawn() override {
        CView::markDrawn();
        drawnValue = value;
    }
    // One whole gesture that sets value, as a key press does.
    void changeInOneGesture(float newValue);
    // Up and Right add 0.1, Down and Left subtract it; 0.01 with Shift.
    // False for any other key.
    bool stepWithArrowKeys(const VstKeyCode& key);

private:
    void beginEdit();
    void endEdit();
    void report();
    void endGesture();

    CControlListener* listener;
    int32_t tag;
    float defaultValue;
    float value = 0.0f;
    float drawnValue = 0.0f;
    bool tracking = false;
};

// Values from the user stay inside [0, 1]; NaN counts as 0.
float clampToUnit(float value);
