// Instances built directly from the plug-in's code, for the engine's unit
// tests, and a host callback that keeps the MIDI events it receives.
#pragma once

#include <cmath>
#include <memory>
#include <type_traits>
#include <vector>

#include "white_noise.h"
#include "shell/tamboro.h"

namespace enginetest {

inline std::vector<VstMidiEvent>& receivedEvents() {
    static std::vector<VstMidiEvent> events;
    return events;
}

inline intptr_t keepEvents(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
    if (opcode == audioMasterVersion) return kVstVersion;
    if (opcode == audioMasterProcessEvents) {
        auto* list = static_cast<VstEvents*>(ptr);
        for (int32_t i = 0; i < list->numEvents; i++)
            receivedEvents().push_back(*reinterpret_cast<VstMidiEvent*>(list->events[i]));
        return 1;
    }
    return 0;
}

inline std::unique_ptr<Tamboro> newTamboro(audioMasterCallback callback = nullptr) {
    receivedEvents().clear();
    return std::unique_ptr<Tamboro>(static_cast<Tamboro*>(createEffectInstance(callback)));
}

// Rings of noise for the velocity measurement, the same on both paths.
template <typename T>
void fillRingsWithNoise(T* left, T* right) {
    testsignal::WhiteNoise noise;
    for (int i = 0; i < kInputRingSize; i++) left[i] = std::fabs(noise.next());
    for (int i = 0; i < kInputRingSize; i++) right[i] = (float)(std::fabs(noise.next()) * 0.75);
}

template <typename T>
void processSilence(Tamboro& t, int frames) {
    std::vector<T> in((size_t)frames, T(0)), outL((size_t)frames), outR((size_t)frames);
    T* inputs[2] = {in.data(), in.data()};
    T* outputs[2] = {outL.data(), outR.data()};
    if constexpr (std::is_same_v<T, float>)
        t.processReplacing(inputs, outputs, frames);
    else
        t.processDoubleReplacing(inputs, outputs, frames);
}

}  // namespace enginetest
