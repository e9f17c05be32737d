#include "audio_effect_x.h"

#include <cmath>

namespace {

// The host passes the modifier bits as a float; anything that is not a
// representable count means no modifier rather than an undefined conversion.
unsigned char modifierBits(float opt) {
    if (!(std::fabs(opt) < 2147483648.0f)) return 0;
    return (unsigned char)((int32_t)opt & 0xFF);
}

}  // namespace

intptr_t AudioEffectX::dispatchKey(int32_t opcode, int32_t index, intptr_t value, float opt) {
    if (!editor) return 0;
    VstKeyCode key{};
    key.character = index;
    key.virt = (unsigned char)(value & 0xFF);
    key.modifier = modifierBits(opt);
    bool used = opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    return used ? 1 : 0;
}

intptr_t AudioEffectX::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effCanBeAutomated:
        case effGetNumProgramCategories:
        case effConnectInput:
        case effConnectOutput:
            return 1;
        case effSetBlockSizeAndSampleRate:
            setBlockSize((int32_t)value);
            setSampleRate(opt);
            return 1;
        case effGetEffectName:
            return text && getEffectName(text) ? 1 : 0;
        case effGetVendorString:
            return text && getVendorString(text) ? 1 : 0;
        case effGetProductString:
            return text && getProductString(text) ? 1 : 0;
        case effGetVendorVersion:
            return getVendorVersion();
        case effCanDo:
            return text ? canDo(text) : 0;
        case effKeysRequired:
            return 1;
        case effGetVstVersion:
            return kVstVersion;
        case effEditKeyDown:
        case effEditKeyUp:
            return dispatchKey(opcode, index, value, opt);
        case effSetEditKnobMode:
            if (editor) editor->setKnobMode((int)value);
            return 1;
        case effGetCurrentMidiProgram:
            return -1;
        case effGetSpeakerArrangement:
            if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = nullptr;
            if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = nullptr;
            return 0;
        case effSetTotalSampleToProcess:
            return value;
        case effSetBypass:
            return setBypass(value != 0) ? 1 : 0;
    }
    if (opcode >= effProcessEvents) return 0;
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
}

void AudioEffectX::resume() {
    char receive[] = "receiveVstMidiEvent";
    if ((cEffect.flags & effFlagsIsSynth) || canDo(receive) == 1) wantEvents(1);
}

bool AudioEffectX::wantEvents(int32_t filter) {
    return callHost(audioMasterWantMidi, 0, filter) == 1;
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

VstTimeInfo* AudioEffectX::getTimeInfo(int32_t filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

float AudioEffectX::updateSampleRate() {
    intptr_t rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) sampleRate = (float)rate;
    return sampleRate;
}

bool AudioEffectX::beginEdit(int32_t index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(int32_t index) { return callHost(audioMasterEndEdit, index) != 0; }

bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }
