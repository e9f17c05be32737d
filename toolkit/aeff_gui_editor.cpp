#include "aeff_gui_editor.h"

#include "shell/audio_effect_x.h"

AEffGUIEditor::AEffGUIEditor(AudioEffectX* effect) : AEffEditor(effect) {
    effect->setEditor(this);
}

bool AEffGUIEditor::getRect(ERect** out) {
    *out = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    systemWindow = ptr;
    return false;
}

void AEffGUIEditor::beginEdit(int32_t index) {
    static_cast<AudioEffectX*>(effect)->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) { static_cast<AudioEffectX*>(effect)->endEdit(index); }
