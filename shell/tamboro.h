// One instance of the plug-in: the frame that faces the host, the seven
// parameters, the detection engine's state (engine/detector_state.h) and the
// editor.
//
// Threads: the host constructs and destroys the object on the thread that
// calls the entry point and the dispatcher. processReplacing and
// processDoubleReplacing run on the audio thread and must never run at the
// same time (they share filters, indices and hit state). setParameter may come
// from any thread (host, automation, editor); parameters are relaxed atomics,
// so the audio thread sees a new value from one sample to the next. Nothing
// here takes a lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "audio_effect_x.h"
#include "effect_factory.h"
#include "engine/detector_state.h"

class Tamboro : public AudioEffectX, public DetectorState {
public:
    explicit Tamboro(audioMasterCallback audioMaster);
    ~Tamboro() override;

    // False when any member allocation failed; the instance must then be destroyed.
    bool constructed() const { return allocationsSucceeded; }

    void processReplacing(float** inputs, float** outputs, int32_t sampleFrames) override;
    void processDoubleReplacing(double** inputs, double** outputs,
                                int32_t sampleFrames) override;
    void setParameter(int32_t index, float value) override;
    float getParameter(int32_t index) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(int32_t index, char* label) override;
    void getParameterDisplay(int32_t index, char* text) override;
    void getParameterName(int32_t index, char* text) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    int32_t getVendorVersion() override;
    int32_t canDo(char* text) override;

    void sendNoteOn(int32_t note, int32_t velocity) override;
    void sendNoteOff(int32_t note, int32_t velocity) override;

    char programName[kVstMaxProgNameLen + 1];

private:
    void allocateBlocks();
    void initialiseMembers();
    void freeBlocks();

    bool allocationsSucceeded = true;
};
