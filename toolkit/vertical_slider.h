// A handle bitmap that travels up and down over a track bitmap.
#pragma once

#include "slider_base.h"

class CBitmap;

enum CSliderStyle { kBottom, kTop };

class CVerticalSlider : public CSliderBase {
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

protected:
    // The value that puts the handle's centre on where's row.
    float valueAtPoint(CPoint where) const override;

private:
    int32_t handleTop() const;

    int32_t range;
    CBitmap* handle;
    CBitmap* track;
    CPoint offset;
    CSliderStyle style;
    CPoint offsetHandle{};
};
