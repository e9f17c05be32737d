#include "sd_editor.h"

#include <iterator>
#include <new>

#include "editor_layout.h"
#include "shell/audio_effect_x.h"
#include "shell/plugin_info.h"
#include "threshold_text.h"
#include "toolkit/bitmap.h"
#include "toolkit/frame.h"
#include "toolkit/horizontal_switch.h"
#include "toolkit/param_display.h"
#include "toolkit/vertical_slider.h"

using namespace editor_layout;
using namespace plugin_info;

namespace {

constexpr int32_t kNumSwitches = (int32_t)std::size(kSwitches);
constexpr int32_t kNumSliders = 2;
// "Ratio Select" values from here up select a ratio.
constexpr float kFirstRatio = kRatioPositions[1].ratioSelect;
constexpr float kRatioOff = kRatioPositions[0].ratioSelect;

CBitmap* loadBitmap(int32_t id) { return new (std::nothrow) CBitmap(id); }

void forget(CBitmap* bitmap) {
    if (bitmap) bitmap->forget();
}

int32_t widthOf(const CBitmap* bitmap) { return bitmap ? bitmap->getWidth() : 0; }
int32_t heightOf(const CBitmap* bitmap) { return bitmap ? bitmap->getHeight() : 0; }

uint32_t bit(int32_t index) { return 1u << index; }

}  // namespace

SDEditor::SDEditor(AudioEffectX* effect) : AEffGUIEditor(effect) {
    backgroundBitmap = loadBitmap(kBackgroundBitmap);
    rect.top = 0;
    rect.left = 0;
    rect.bottom = (int16_t)heightOf(backgroundBitmap);
    rect.right = (int16_t)widthOf(backgroundBitmap);
}

SDEditor::~SDEditor() {
    close();
    forget(backgroundBitmap);
}

bool SDEditor::constructed() const {
    return backgroundBitmap && !backgroundBitmap->allocationFailed();
}

float SDEditor::parameter(int32_t index) const { return effect->getParameter(index); }

bool SDEditor::open(void* ptr) {
    // A host that opens twice must not get a second window beside the first.
    if (frame) close();
    // Every control reads its value below; earlier changes need no replay.
    changedParameters = 0;
    if (!AEffGUIEditor::open(ptr)) return false;

    CBitmap* track = loadBitmap(kSliderTrackBitmap);
    CBitmap* handle = loadBitmap(kSliderHandleBitmap);
    CBitmap* switchBitmaps[kNumSwitches];
    for (int32_t i = 0; i < kNumSwitches; i++) switchBitmaps[i] = loadBitmap(kSwitches[i].bitmap);

    CRect size{0, 0, widthOf(backgroundBitmap), heightOf(backgroundBitmap)};
    CFrame* newFrame = new (std::nothrow) CFrame(size, ptr, this);
    if (newFrame && newFrame->isValid()) {
        newFrame->setBackground(backgroundBitmap);
        addSliders(newFrame, handle, track);
        addSwitches(newFrame, switchBitmaps);
        addReadouts(newFrame);
    } else {
        delete newFrame;
        newFrame = nullptr;
        for (CBitmap* bitmap : switchBitmaps) forget(bitmap);
    }
    forget(track);
    forget(handle);
    if (!newFrame) {
        AEffGUIEditor::close();
        return false;
    }
    // Last: until now setParameter has nothing to show its changes in.
    frame = newFrame;
    return true;
}

void SDEditor::addSliders(CFrame* newFrame, CBitmap* handle, CBitmap* track) {
    CRect first = rectOfSize(kFirstSliderOrigin, widthOf(track), heightOf(track));
    CVerticalSlider** members[kNumSliders] = {&highThresholdSlider, &lowThresholdSlider};
    for (int32_t tag = 0; tag < kNumSliders; tag++) {
        CRect place = first.offset(tag * (first.width() + kSliderGap), 0);
        int32_t maxPos = place.top + heightOf(track) - heightOf(handle) - 1;
        auto* slider = new (std::nothrow) CVerticalSlider(place, this, tag, place.top, maxPos,
                                                          handle, track, {0, 0}, kBottom);
        if (!slider) continue;
        slider->setOffsetHandle(kHandleOffset);
        slider->setValue(parameter(tag));
        newFrame->addView(slider);
        *members[tag] = slider;
    }
}

// Each switch keeps its own reference; the editor's goes once it is placed.
void SDEditor::addSwitches(CFrame* newFrame, CBitmap* const* bitmaps) {
    CHorizontalSwitch** members[kNumSwitches] = {&drumSelectSwitch, &functionSwitch,
                                                 &templateInstSwitch, &ratioSelectSwitch};
    for (int32_t i = 0; i < kNumSwitches; i++) {
        const SwitchPlace& place = kSwitches[i];
        int32_t imageHeight = heightOf(bitmaps[i]) / place.positions;
        CRect size = rectOfSize({kSwitchLeft, place.top}, widthOf(bitmaps[i]), imageHeight);
        auto* control = new (std::nothrow)
            CHorizontalSwitch(size, this, place.tag, place.positions, imageHeight,
                              place.positions, bitmaps[i], {0, 0});
        if (control) {
            control->setValue(parameter(place.tag));
            newFrame->addView(control);
            *members[i] = control;
        }
        forget(bitmaps[i]);
    }
}

void SDEditor::addReadouts(CFrame* newFrame) {
    CVerticalSlider* sliders[kNumSliders] = {highThresholdSlider, lowThresholdSlider};
    CParamDisplay** members[kNumSliders] = {&highThresholdDisplay, &lowThresholdDisplay};
    CParamDisplayConvert texts[kNumSliders] = {highThresholdText, lowThresholdText};
    for (int32_t index = 0; index < kNumSliders; index++) {
        if (!sliders[index]) continue;
        const CRect& above = sliders[index]->getViewSize();
        int32_t left = above.left + above.width() / 2 - kReadoutWidth / 2;
        CRect size = rectOfSize({left, above.bottom + kReadoutGap}, kReadoutWidth, kReadoutHeight);
        auto* display = new (std::nothrow) CParamDisplay(size);
        if (!display) continue;
        display->setFont(kNormalFontSmall);
        display->setFontColor(kReadoutText);
        display->setBackColor(kReadoutFill);
        display->setFrameColor(kReadoutFrame);
        display->setValue(parameter(index));
        display->setStringConvert(texts[index]);
        newFrame->addView(display);
        *members[index] = display;
    }
}

void SDEditor::close() {
    AEffGUIEditor::close();
    highThresholdSlider = lowThresholdSlider = nullptr;
    drumSelectSwitch = functionSwitch = templateInstSwitch = ratioSelectSwitch = nullptr;
    highThresholdDisplay = lowThresholdDisplay = nullptr;
}

void SDEditor::idle() {
    showChangedParameters();
    AEffGUIEditor::idle();
}

void SDEditor::setParameter(int32_t index, float) {
    if (index >= kHighThreshold && index <= kRatioSelect)
        changedParameters.fetch_or(bit(index), std::memory_order_relaxed);
}

void SDEditor::valueChanged(CDrawContext*, CControl* control) {
    int32_t tag = control->getTag();
    if (tag < 0 || tag >= kNumParams) return;
    // The plug-in stores the value and tells setParameter, which may put a
    // different value (a derived Low Threshold) back into this very control.
    static_cast<AudioEffectX*>(effect)->setParameterAutomated(tag, control->getValue());
    showChangedParameters();
    control->setDirty();
}

void SDEditor::showChangedParameters() {
    if (!frame) return;
    uint32_t changed = changedParameters.exchange(0);
    // Ratio Select first: the threshold rules below read its switch.
    if (changed & bit(kRatioSelect)) showParameter(kRatioSelect);
    for (int32_t index = kHighThreshold; index < kRatioSelect; index++)
        if (changed & bit(index)) showParameter(index);
}

void SDEditor::showParameter(int32_t index) {
    bool ratioSelected = ratioSelectSwitch && ratioSelectSwitch->getValue() >= kFirstRatio;
    bool ratioOff = ratioSelectSwitch && ratioSelectSwitch->getValue() == kRatioOff;
    CHorizontalSwitch* switches[] = {drumSelectSwitch, functionSwitch, templateInstSwitch,
                                     ratioSelectSwitch};
    switch (index) {
        case kHighThreshold:
            if (highThresholdSlider) {
                highThresholdSlider->setValue(parameter(kHighThreshold));
                // With a ratio, Low Threshold follows High Threshold.
                if (ratioSelected && lowThresholdSlider)
                    lowThresholdSlider->setValue(parameter(kLowThreshold));
                if (ratioSelected && lowThresholdDisplay)
                    lowThresholdDisplay->setValue(parameter(kLowThreshold));
            }
            if (highThresholdDisplay) highThresholdDisplay->setValue(parameter(kHighThreshold));
            return;
        case kLowThreshold:
            if (lowThresholdSlider) lowThresholdSlider->setValue(parameter(kLowThreshold));
            // With a ratio the read-out keeps showing the level derived last.
            if (ratioOff && lowThresholdDisplay)
                lowThresholdDisplay->setValue(parameter(kLowThreshold));
            return;
    }
    if (index >= kDrumSelect && index <= kRatioSelect && switches[index - kDrumSelect])
        switches[index - kDrumSelect]->setValue(parameter(index));
}
