// A button drawn without bitmaps: a filled, framed rectangle with a title.
// A click flips the value between 0 (off) and 1 (on) in one edit gesture.
// The owner may change the title and the on colour at any time on the
// user-interface thread, to show a state the value alone does not carry.
#pragma once

#include <cstddef>

#include "control.h"

struct CTextButtonColors {
    CColor offFill;
    CColor onFill;
    CColor frame;
    CColor text;
};

class CTextButton : public CControl {
public:
    static constexpr size_t kTitleSize = 32;

    CTextButton(const CRect& size, CControlListener* listener, int32_t tag,
                const CTextButtonColors& colors, const CFontDesc& font);

    // Longer titles are cut to kTitleSize - 1 bytes.
    void setTitle(const char* title);
    const char* getTitle() const { return title; }
    void setColors(const CTextButtonColors& newColors);
    bool isOn() const { return getValue() >= kOnFrom; }

    void draw(CDrawContext& context) override;

protected:
    float valueAtClick(CPoint where, int32_t buttons) override;
    // A drag does not flip the button back and forth.
    float valueWhileDragging(CPoint, int32_t) override { return getValue(); }

private:
    static constexpr float kOnFrom = 0.5f;

    CTextButtonColors colors;
    CFontDesc font;
    char title[kTitleSize] = {};
};
