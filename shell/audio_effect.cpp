#include "audio_effect.h"

namespace {

// The record's entries: each finds the object and calls the matching operation.
AudioEffect* objectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

intptr_t dispatchEntry(AEffect* e, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                       float opt) {
    AudioEffect* effect = objectOf(e);
    intptr_t result = effect->dispatcher(opcode, index, value, ptr, opt);
    if (opcode == effClose) {
        delete effect;
        return 1;
    }
    return result;
}

// The deprecated accumulating call is accepted and does nothing.
void processEntry(AEffect*, float**, float**, int32_t) {}

void processReplacingEntry(AEffect* e, float** in, float** out, int32_t frames) {
    objectOf(e)->processReplacing(in, out, frames);
}

void processDoubleReplacingEntry(AEffect* e, double** in, double** out, int32_t frames) {
    objectOf(e)->processDoubleReplacing(in, out, frames);
}

void setParameterEntry(AEffect* e, int32_t index, float value) {
    objectOf(e)->setParameter(index, value);
}

float getParameterEntry(AEffect* e, int32_t index) { return objectOf(e)->getParameter(index); }

}  // namespace

AudioEffect::AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms,
                         int32_t numParams)
    : audioMaster(audioMaster), numPrograms(numPrograms), numParams(numParams) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleReplacingEntry;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

void AudioEffect::setFlag(int32_t flag, bool state) {
    if (state)
        cEffect.flags |= flag;
    else
        cEffect.flags &= ~flag;
}

intptr_t AudioEffect::callHost(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                               float opt) {
    if (!audioMaster) return 0;
    return audioMaster(&cEffect, opcode, index, value, ptr, opt);
}

void AudioEffect::setParameterAutomated(int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

intptr_t AudioEffect::dispatchEditor(int32_t opcode, intptr_t, void* ptr) {
    if (!editor) return 0;
    switch (opcode) {
        case effEditGetRect:
            if (!ptr) return 0;
            return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
        case effEditOpen:
            return editor->open(ptr) ? 1 : 0;
        case effEditClose:
            editor->close();
            return 0;
        case effEditIdle:
            editor->idle();
            return 0;
    }
    return 0;
}

intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
    char* text = static_cast<char*>(ptr);
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram((int32_t)value);
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (text) setProgramName(text);
            return 0;
        case effGetProgramName:
            if (text) getProgramName(text);
            return 0;
        case effGetParamLabel:
            if (text) getParameterLabel(index, text);
            return 0;
        case effGetParamDisplay:
            if (text) getParameterDisplay(index, text);
            return 0;
        case effGetParamName:
            if (text) getParameterName(index, text);
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize((int32_t)value);
            return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
        case effEditOpen:
        case effEditClose:
        case effEditIdle:
            return dispatchEditor(opcode, value, ptr);
        case effIdentify:
            return fourChars('N', 'v', 'E', 'f');
        case effGetChunk:
            return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk:
            // The size travels as intptr_t; a chunk of 2 GB or more is no chunk of ours.
            if (!ptr || value <= 0 || value > INT32_MAX) return 0;
            return setChunk(ptr, (int32_t)value, index != 0);
    }
    return 0;
}
