// What every slider does with the mouse and keys, whichever way it runs: a
// click puts the value under the pointer, a drag follows the pointer (ten
// times finer with Shift), the arrow keys step it. A slider says only which
// value lies under a point.
#pragma once

#include "control.h"

class CSliderBase : public CControl {
public:
    using CControl::CControl;

    // Up and Right add 0.1, Down and Left subtract it; 0.01 with Shift.
    bool onKeyDown(const VstKeyCode& key) override { return stepWithArrowKeys(key); }

protected:
    // The value under where, not limited to [0, 1].
    virtual float valueAtPoint(CPoint where) const = 0;
    float valueAtClick(CPoint where, int32_t buttons) override;
    float valueWhileDragging(CPoint where, int32_t buttons) override;

private:
    CPoint lastPoint{};
};
