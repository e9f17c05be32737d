// Glue between the plug-in's editor slot and the widget toolkit: holds the
// plug-in, the host window, the rectangle and the frame.
#pragma once

#include "shell/aeff_editor.h"

class AudioEffectX;
class CFrame;

class AEffGUIEditor : public AEffEditor {
public:
    // Registers itself as the plug-in's editor.
    explicit AEffGUIEditor(AudioEffectX* effect);

    bool getRect(ERect** rect) override;
    bool open(void* ptr) override;
    bool isOpen() override { return frame != nullptr; }

    virtual void setParameter(int32_t index, float value) = 0;
    virtual void beginEdit(int32_t index);
    virtual void endEdit(int32_t index);

protected:
    ERect rect{};
    CFrame* frame = nullptr;
};
