// A small VST 2.4 host: loads a plug-in library, creates instances through
// its entry point, answers the host callback (version, sample rate, time
// information, events) and records every callback and every MIDI event.
//
// Threads: each Instance may be driven from several threads at once (audio,
// automation, user interface); the records are guarded by a mutex, so the
// callback may come from any of them. Settings are read by the callback and
// should be changed only between calls into the plug-in.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "shell/product_facts.h"
#include "shell/vst_abi.h"

namespace host {

// An open plug-in library. Instances must be closed before it goes.
class PluginLibrary {
public:
    // Null, with a message in error, when the file cannot be loaded or has no entry.
    static std::unique_ptr<PluginLibrary> open(const std::string& path, std::string& error);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    VstPluginMainProc entry() const { return entryPoint; }
    // "VSTPluginMain" or "main", whichever was found first.
    const std::string& entryName() const { return foundEntryName; }

private:
    // In the order they are looked up.
    static constexpr const char* kEntryNames[] = {"VSTPluginMain", "main"};
    PluginLibrary(void* handle, VstPluginMainProc entry, std::string name)
        : handle(handle), entryPoint(entry), foundEntryName(std::move(name)) {}
    void* handle;
    VstPluginMainProc entryPoint;
    std::string foundEntryName;
};

struct HostSettings {
    intptr_t versionAnswer = kVstVersion;
    double sampleRate = 44100.0;
    // False: audioMasterGetTime answers null.
    bool timeInfoAvailable = true;
    bool tempoValid = true;
    double tempo = plugin_info::kDefaultTempo;
    intptr_t processEventsAnswer = 1;
};

struct CallbackRecord {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
    bool effectWasNull;
};

struct MidiRecord {
    // Sample position from the first processed sample: block start + deltaFrames.
    int64_t samplePosition;
    int64_t blockStart;
    VstMidiEvent event;
    uint8_t status() const { return (uint8_t)event.midiData[0]; }
    uint8_t data1() const { return (uint8_t)event.midiData[1]; }
    uint8_t data2() const { return (uint8_t)event.midiData[2]; }
    bool isNoteOn() const { return (status() & 0xF0) == 0x90 && data2() != 0; }
    bool isNoteOff() const { return (status() & 0xF0) == 0x80 || ((status() & 0xF0) == 0x90 && data2() == 0); }
};

class Instance {
public:
    // Calls the entry point; null when it returns null (error says why).
    static std::unique_ptr<Instance> create(const PluginLibrary& library, std::string& error,
                                            HostSettings settings = {});
    // As create, but with a caller's callback, e.g. a null one.
    static AEffect* callEntry(const PluginLibrary& library, audioMasterCallback callback);
    ~Instance();  // sends effClose unless already closed
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    AEffect* effect() const { return aeffect; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0,
                      void* ptr = nullptr, float opt = 0.0f);
    // Sends effClose; the record is gone afterwards. Returns the dispatcher's answer.
    intptr_t close();
    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    // Reads a text opcode's answer into a large buffer.
    std::string getString(int32_t opcode, int32_t index = 0);
    intptr_t canDo(const std::string& capability);

    // One processing call; advances the sample position by frames (if positive).
    void process(float** inputs, float** outputs, int32_t frames);
    void processDouble(double** inputs, double** outputs, int32_t frames);
    // Whole signals in blocks of blockSize samples.
    void processStereo(const float* inL, const float* inR, float* outL, float* outR,
                       int64_t frames, int32_t blockSize);
    void processStereoDouble(const double* inL, const double* inR, double* outL, double* outR,
                             int64_t frames, int32_t blockSize);
    int64_t samplePosition() const { return position; }

    HostSettings settings;

    std::vector<CallbackRecord> calls() const;
    std::vector<MidiRecord> midiEvents() const;
    size_t countCalls(int32_t opcode) const;
    void clearRecords();

private:
    Instance() = default;
    static intptr_t callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
    intptr_t answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                    bool effectWasNull);

    AEffect* aeffect = nullptr;
    int64_t position = 0;
    int64_t blockStart = 0;
    VstTimeInfo timeInfo{};
    mutable std::mutex recordsMutex;
    std::vector<CallbackRecord> callRecords;
    std::vector<MidiRecord> midiRecords;
};

}  // namespace host
