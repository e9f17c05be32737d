#include "sd_editor.h"

#include "shell/plugin_info.h"

SDEditor::SDEditor(AudioEffectX* effect) : AEffGUIEditor(effect) {
    rect.bottom = plugin_info::kEditorHeight;
    rect.right = plugin_info::kEditorWidth;
}

void SDEditor::setParameter(int32_t, float) {}
