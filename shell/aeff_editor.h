// The editor as the dispatcher sees it. The plug-in's frame owns one and
// forwards the host's editor opcodes to it; everything else about windows
// lives in the toolkit.
#pragma once

#include "vst_abi.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;
    AEffEditor(const AEffEditor&) = delete;
    AEffEditor& operator=(const AEffEditor&) = delete;

    virtual AudioEffect* getEffect() { return effect; }
    virtual bool getRect(ERect** rect) {
        *rect = nullptr;
        return false;
    }
    virtual bool open(void* ptr) {
        systemWindow = ptr;
        return false;
    }
    virtual void close() {}
    virtual bool isOpen() { return false; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(int) { return false; }

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
