// A read-out: the value as text, centred on a filled, framed rectangle.
// It takes no user input and has no listener.
#pragma once

#include <cstddef>

#include "control.h"

// Writes value as text into text, at most size bytes with the terminator.
using CParamDisplayConvert = void (*)(float value, char* text, size_t size);

class CParamDisplay : public CControl {
public:
    explicit CParamDisplay(const CRect& size);

    void setFont(const CFontDesc& newFont) { font = newFont; }
    void setFontColor(CColor color) { fontColor = color; }
    void setBackColor(CColor color) { backColor = color; }
    void setFrameColor(CColor color) { frameColor = color; }
    // Null restores the default "%2.2f".
    void setStringConvert(CParamDisplayConvert convert) { stringConvert = convert; }

    void draw(CDrawContext& context) override;

private:
    CFontDesc font = kNormalFontSmall;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = kBlackCColor;
    CParamDisplayConvert stringConvert = nullptr;
};
