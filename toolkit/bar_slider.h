// A horizontal slider drawn without bitmaps: a framed track filled from the
// left up to the value. A click puts the value under the pointer, a drag
// follows it (ten times finer with Shift), arrow keys step it.
#pragma once

#include "control.h"

struct CBarSliderColors {
    CColor track;
    CColor fill;
    CColor frame;
};

class CBarSlider : public CControl {
public:
    CBarSlider(const CRect& size, CControlListener* listener, int32_t tag, float defaultValue,
               const CBarSliderColors& colors);

    void draw(CDrawContext& context) override;
    // Up and Right add 0.1, Down and Left subtract it; 0.01 with Shift.
    bool onKeyDown(const VstKeyCode& key) override;

protected:
    float valueAtClick(CPoint where, int32_t buttons) override;
    float valueWhileDragging(CPoint where, int32_t buttons) override;

private:
    // The value at column x, not limited to [0, 1].
    float valueAtColumn(int32_t x) const;

    CBarSliderColors colors;
    int32_t lastColumn = 0;
};
