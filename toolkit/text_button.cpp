#include "text_button.h"

#include <cstring>

#include "draw_context.h"

CTextButton::CTextButton(const CRect& size, CControlListener* listener, int32_t tag,
                         const CTextButtonColors& colors, const CFontDesc& font)
    : CControl(size, listener, tag, 0.0f), colors(colors), font(font) {}

void CTextButton::setTitle(const char* newTitle) {
    if (std::strncmp(title, newTitle, kTitleSize - 1) == 0) return;
    std::strncpy(title, newTitle, kTitleSize - 1);
    setDirty();
}

void CTextButton::setColors(const CTextButtonColors& newColors) {
    if (newColors.onFill == colors.onFill && newColors.offFill == colors.offFill &&
        newColors.frame == colors.frame && newColors.text == colors.text)
        return;
    colors = newColors;
    setDirty();
}

void CTextButton::draw(CDrawContext& context) {
    context.fillRect(getViewSize(), isOn() ? colors.onFill : colors.offFill);
    context.frameRect(getViewSize(), colors.frame);
    context.drawString(title, getViewSize(), font, colors.text);
}

float CTextButton::valueAtClick(CPoint, int32_t) { return isOn() ? 0.0f : 1.0f; }
