// The generic plug-in side of the interface: the AEffect record, the
// dispatcher for opcodes below 25 and the host-callback wrappers.
//
// Threads: the dispatcher and parameter entries run on whatever thread the
// host chooses, the processing entries on its audio thread, the editor
// opcodes on its user-interface thread. The frame itself holds no lock.
#pragma once

#include <cstdint>

#include "aeff_editor.h"
#include "vst_abi.h"

class AudioEffect {
public:
    AudioEffect(audioMasterCallback audioMaster, int32_t numPrograms, int32_t numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    virtual intptr_t dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void processReplacing(float**, float**, int32_t) {}
    virtual void processDoubleReplacing(double**, double**, int32_t) {}

    virtual void setParameter(int32_t, float) {}
    virtual float getParameter(int32_t) { return 0.0f; }
    // Stores first, then tells the host, so the host sees the stored value.
    virtual void setParameterAutomated(int32_t index, float value);

    virtual int32_t getProgram() { return curProgram; }
    virtual void setProgram(int32_t program) { curProgram = program; }
    virtual void setProgramName(char*) {}
    virtual void getProgramName(char* name) { *name = '\0'; }
    virtual void getParameterLabel(int32_t, char*) {}
    virtual void getParameterDisplay(int32_t, char*) {}
    virtual void getParameterName(int32_t, char*) {}
    // The whole state as one block the plug-in keeps until the next call;
    // 0 bytes when the plug-in saves no chunk.
    virtual int32_t getChunk(void**, bool) { return 0; }
    // 1 when the chunk was taken, 0 when it was refused (nothing changed).
    virtual int32_t setChunk(void*, int32_t, bool) { return 0; }

    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(int32_t size) { blockSize = size; }
    float getSampleRate() const { return sampleRate; }
    int32_t getBlockSize() const { return blockSize; }

    // Takes ownership; sets the has-editor flag.
    virtual void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }
    AEffect* getAeffect() { return &cEffect; }

    // Host callbacks; each returns its fallback when there is no host callback.
    virtual void masterIdle();

    void setUniqueID(int32_t id) { cEffect.uniqueID = id; }
    void setNumInputs(int32_t n) { cEffect.numInputs = n; }
    void setNumOutputs(int32_t n) { cEffect.numOutputs = n; }
    void setInitialDelay(int32_t delay) { cEffect.initialDelay = delay; }
    void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    void setCanMono(bool state) { setFlag(effFlagsCanMono, state); }
    void isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
    void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }

protected:
    intptr_t callHost(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void* ptr = nullptr, float opt = 0.0f);
    void setFlag(int32_t flag, bool state);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    int32_t blockSize = 1024;
    int32_t numPrograms;
    int32_t numParams;
    int32_t curProgram = 0;
    AEffect cEffect{};

private:
    intptr_t dispatchEditor(int32_t opcode, intptr_t value, void* ptr);
};
