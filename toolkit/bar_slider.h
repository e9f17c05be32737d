// A horizontal slider drawn without bitmaps: a framed track filled from the
// left up to the value.
#pragma once

#include "slider_base.h"

struct CBarSliderColors {
    CColor track;
    CColor fill;
    CColor frame;
};

class CBarSlider : public CSliderBase {
public:
    CBarSlider(const CRect& size, CControlListener* listener, int32_t tag, float defaultValue,
               const CBarSliderColors& colors);

    void draw(CDrawContext& context) override;

protected:
    // The value at where's column.
    float valueAtPoint(CPoint where) const override;

private:
    CBarSliderColors colors;
};
