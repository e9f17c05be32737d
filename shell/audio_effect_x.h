// The extended plug-in side: opcodes 25 and above, capability strings, names,
// MIDI output, time information and edit gestures.
#pragma once

#include "audio_effect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams)
        : AudioEffect(audioMaster, numPrograms, numParams) {}

    intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt) override;
    void resume() override;

    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual int32_t getVendorVersion() { return 0; }
    // 1 yes, -1 no, 0 don't know.
    virtual int32_t canDo(char*) { return 0; }
    // True when the plug-in takes the host's bypass itself (canDo "bypass").
    virtual bool setBypass(bool) { return false; }

    virtual bool sendVstEventsToHost(VstEvents* events);
    // Null when the host gives no time information.
    virtual VstTimeInfo* getTimeInfo(int32_t filter);
    // Asks the host; an answer above 0 becomes the stored rate.
    virtual float updateSampleRate();
    virtual bool wantEvents(int32_t filter = 1);
    virtual bool beginEdit(int32_t index);
    virtual bool endEdit(int32_t index);
    // Tells the host that the latency or the channel counts changed.
    virtual bool ioChanged();

private:
    intptr_t dispatchKey(int32_t opcode, int32_t index, intptr_t value, float opt);
};
