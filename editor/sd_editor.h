// The plug-in's editor window.
#pragma once

#include "toolkit/aeff_gui_editor.h"

class SDEditor : public AEffGUIEditor {
public:
    explicit SDEditor(AudioEffectX* effect);

    void setParameter(int32_t index, float value) override;
};
