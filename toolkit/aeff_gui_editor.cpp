#include "aeff_gui_editor.h"

#include "frame.h"
#include "shell/audio_effect_x.h"

namespace {

// The modal tracking loop this replaces napped 4 ms between polls; tracking
// here is driven by events, so nothing spins and only the rate limit remains.
constexpr std::chrono::milliseconds kIdleInterval{50};

}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffectX* effect, PlatformDisplayFactory openDisplay)
    : AEffEditor(effect), openDisplay(openDisplay) {
    effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() { AEffGUIEditor::close(); }

bool AEffGUIEditor::getRect(ERect** out) {
    *out = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    systemWindow = ptr;
    if (!display && openDisplay) display = openDisplay();
    return display != nullptr;
}

void AEffGUIEditor::close() {
    delete frame;
    frame = nullptr;
    display.reset();
}

void AEffGUIEditor::idle() {
    if (!frame) return;
    frame->idle();
    // The host hears of idle time only once the frame has finished reading
    // its events, and as the very last step: a host may do anything in
    // audioMasterIdle, even close the editor.
    if (hostIdleDue && !frame->isReadingEvents()) {
        hostIdleDue = false;
        effect->masterIdle();
    }
}

bool AEffGUIEditor::passKey(PlatformEvent::Type type, const VstKeyCode& key) {
    if (!frame) return false;
    PlatformEvent event{type};
    event.key = key;
    return frame->handleEvent(event);
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) { return passKey(PlatformEvent::kKeyDown, key); }

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) { return passKey(PlatformEvent::kKeyUp, key); }

void AEffGUIEditor::beginEdit(int32_t index) {
    static_cast<AudioEffectX*>(effect)->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) { static_cast<AudioEffectX*>(effect)->endEdit(index); }

void AEffGUIEditor::doIdleStuff() {
    auto now = std::chrono::steady_clock::now();
    if (now - lastIdleRun < kIdleInterval) return;
    lastIdleRun = now;
    hostIdleDue = true;
    idle();
}
