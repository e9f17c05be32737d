// The plug-in's editor: a background, two threshold sliders with their
// decibel read-outs and four button strips, kept in step with the plug-in's
// parameters in both directions.
//
// Threads: the plug-in calls setParameter from whatever thread changed the
// parameter (a host's audio or automation thread included). It only marks the
// parameter in an atomic set; the user-interface thread copies the plug-in's
// current values into the controls at idle, or at once after a user change.
// The frame and the control members are touched on that thread only, so a
// host closing the editor can never pull a control from under another thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "toolkit/aeff_gui_editor.h"
#include "toolkit/control.h"

class CBitmap;
class CFrame;
class CHorizontalSwitch;
class CParamDisplay;
class CVerticalSlider;

class SDEditor : public AEffGUIEditor, public CControlListener {
public:
    explicit SDEditor(AudioEffectX* effect);
    ~SDEditor() override;

    // False when the background could not be allocated; the plug-in then
    // fails its construction.
    bool constructed() const;

    // Builds the frame and the controls from the plug-in's current values.
    // Answers false when there is no window system or no usable host window.
    bool open(void* ptr) override;
    void close() override;
    void idle() override;

    void setParameter(int32_t index, float value) override;
    void valueChanged(CDrawContext* context, CControl* control) override;

private:
    void addSliders(CFrame* newFrame, CBitmap* handle, CBitmap* track);
    void addSwitches(CFrame* newFrame, CBitmap* const* bitmaps);
    void addReadouts(CFrame* newFrame);
    void showChangedParameters();
    void showParameter(int32_t index);
    float parameter(int32_t index) const;

    CVerticalSlider* highThresholdSlider = nullptr;
    CVerticalSlider* lowThresholdSlider = nullptr;
    CHorizontalSwitch* drumSelectSwitch = nullptr;
    CHorizontalSwitch* functionSwitch = nullptr;
    CHorizontalSwitch* templateInstSwitch = nullptr;
    CHorizontalSwitch* ratioSelectSwitch = nullptr;
    CParamDisplay* highThresholdDisplay = nullptr;
    CParamDisplay* lowThresholdDisplay = nullptr;
    CBitmap* backgroundBitmap = nullptr;
    // One bit per parameter index changed since the controls last showed it.
    std::atomic<uint32_t> changedParameters{0};
};
