#include "param_display.h"

#include <cstdio>

#include "draw_context.h"

namespace {

constexpr size_t kTextSize = 64;

void defaultConvert(float value, char* text, size_t size) {
    std::snprintf(text, size, "%2.2f", value);
}

}  // namespace

CParamDisplay::CParamDisplay(const CRect& size) : CControl(size, nullptr, 0, 0.0f) {}

void CParamDisplay::draw(CDrawContext& context) {
    char text[kTextSize] = {};
    (stringConvert ? stringConvert : defaultConvert)(getValue(), text, sizeof text);
    context.fillRect(getViewSize(), backColor);
    context.frameRect(getViewSize(), frameColor);
    context.drawString(text, getViewSize(), font, fontColor);
}
