// A row of positions, each shown by one band of a bitmap whose bands are
// stacked vertically. Position k of N carries the value k / (N - 1).
#pragma once

#include "control.h"

class CBitmap;

class CHorizontalSwitch : public CControl {
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, int32_t tag,
                      int32_t subPixmaps, int32_t heightOfOneImage, int32_t positions,
                      CBitmap* background, CPoint offset);
    ~CHorizontalSwitch() override;

    void draw(CDrawContext& context) override;

protected:
    float valueAtClick(CPoint where, int32_t buttons) override;

private:
    int32_t imageIndex() const;

    int32_t subPixmaps;
    int32_t heightOfOneImage;
    int32_t positions;
    CBitmap* background;
    CPoint offset;
};
