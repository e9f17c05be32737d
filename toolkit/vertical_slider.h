// A handle bitmap that travels up and down over a track bitmap.
#pragma once

#include "control.h"

class CBitmap;

enum CSliderStyle { kBottom, kTop };

class CVerticalSlider : public CControl {
public:
    // minPos and maxPos are window rows; the handle's top travels maxPos - minPos
    // pixels. With kBottom the value 0 puts the handle at the bottom.
    CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t minPos,
                    int32_t maxPos, CBitmap* handle, CBitmap* track, CPoint offset,
                    CSliderStyle style = kBottom);
    ~CVerticalSlider() override;

    // Where the handle is drawn, from the control's top left corner.
    void setOffsetHandle(CPoint offset) { offsetHandle = offset; }

    void draw(CDrawContext& context) override;
    // Up and Right add 0.1, Down and Left subtract it; 0.01 with Shift.
    bool onKeyDown(const VstKeyCode& key) override;

protected:
    float valueAtClick(CPoint where, int32_t buttons) override;
    float valueWhileDragging(CPoint where, int32_t buttons) override;

private:
    // The value that puts the handle's centre on row y, not limited to [0, 1].
    float valueAtRow(int32_t y) const;
    int32_t handleTop() const;

    int32_t range;
    CBitmap* handle;
    CBitmap* track;
    CPoint offset;
    CSliderStyle style;
    CPoint offsetHandle{};
    int32_t lastRow = 0;
};
