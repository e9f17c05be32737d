// A line of fixed text centred in its rectangle, on the frame's background.
// It takes no input.
#pragma once

#include "view.h"

class CTextLabel : public CView {
public:
    // text must outlive the label (a string literal, usually).
    CTextLabel(const CRect& size, const char* text, const CFontDesc& font, CColor color)
        : CView(size), text(text), font(font), color(color) {}

    void draw(CDrawContext& context) override;

private:
    const char* text;
    CFontDesc font;
    CColor color;
};
