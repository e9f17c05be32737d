#include "plugin_host.h"

#include <algorithm>
#include <cstring>

namespace host {

namespace {

// The instance being created: the entry point's calls arrive before the host
// can store its pointer in the record.
thread_local Instance* instanceInCreation = nullptr;

constexpr size_t kTextBufferSize = 256;

}  // namespace

AEffect* Instance::callEntry(const PluginLibrary& library, audioMasterCallback callback) {
    return library.entry()(callback);
}

std::unique_ptr<Instance> Instance::create(const PluginLibrary& library, std::string& error,
                                           HostSettings settings) {
    std::unique_ptr<Instance> instance(new Instance());
    instance->settings = settings;
    instanceInCreation = instance.get();
    AEffect* effect = library.entry()(&Instance::callback);
    instanceInCreation = nullptr;
    if (!effect) {
        error = "the plug-in's entry point returned no instance";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        error = "the plug-in's record has the wrong magic number";
        return nullptr;
    }
    effect->user = instance.get();
    instance->aeffect = effect;
    return instance;
}

Instance::~Instance() { close(); }

intptr_t Instance::close() {
    if (!aeffect) return 0;
    intptr_t result = aeffect->dispatcher(aeffect, effClose, 0, 0, nullptr, 0.0f);
    aeffect = nullptr;
    return result;
}

intptr_t Instance::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                            void* ptr, float opt) {
    Instance* self = effect && effect->user ? static_cast<Instance*>(effect->user)
                                            : instanceInCreation;
    if (!self) return 0;
    return self->answer(opcode, index, value, ptr, opt, effect == nullptr);
}

intptr_t Instance::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                          bool effectWasNull) {
    std::lock_guard<std::mutex> lock(recordsMutex);
    callRecords.push_back({opcode, index, value, opt, effectWasNull});
    switch (opcode) {
        case audioMasterVersion:
            return settings.versionAnswer;
        case audioMasterGetSampleRate:
            return (intptr_t)settings.sampleRate;
        case audioMasterGetTime:
            if (!settings.timeInfoAvailable) return 0;
            timeInfo = VstTimeInfo{};
            timeInfo.samplePos = (double)blockStart;
            timeInfo.sampleRate = settings.sampleRate;
            timeInfo.tempo = settings.tempo;
            timeInfo.flags = settings.tempoValid ? kVstTempoValid : 0;
            return reinterpret_cast<intptr_t>(&timeInfo);
        case audioMasterProcessEvents: {
            auto* events = static_cast<VstEvents*>(ptr);
            if (!events) return 0;
            for (int32_t i = 0; i < events->numEvents; i++) {
                VstEvent* event = events->events[i];
                if (!event || event->type != kVstMidiType) continue;
                MidiRecord record{};
                std::memcpy(&record.event, event, sizeof record.event);
                record.blockStart = blockStart;
                record.samplePosition = blockStart + record.event.deltaFrames;
                midiRecords.push_back(record);
            }
            return settings.processEventsAnswer;
        }
    }
    (void)index, (void)value, (void)opt;
    return 0;
}

intptr_t Instance::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr,
                            float opt) {
    if (opcode == effClose) return close();
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

void Instance::setParameter(int32_t index, float value) {
    aeffect->setParameter(aeffect, index, value);
}

float Instance::getParameter(int32_t index) { return aeffect->getParameter(aeffect, index); }

std::string Instance::getString(int32_t opcode, int32_t index) {
    char buffer[kTextBufferSize] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[kTextBufferSize - 1] = '\0';
    return buffer;
}

intptr_t Instance::canDo(const std::string& capability) {
    std::vector<char> text(capability.begin(), capability.end());
    text.push_back('\0');
    return dispatch(effCanDo, 0, 0, text.data());
}

void Instance::process(float** inputs, float** outputs, int32_t frames) {
    blockStart = position;
    aeffect->processReplacing(aeffect, inputs, outputs, frames);
    if (frames > 0) position += frames;
}

void Instance::processDouble(double** inputs, double** outputs, int32_t frames) {
    blockStart = position;
    aeffect->processDoubleReplacing(aeffect, inputs, outputs, frames);
    if (frames > 0) position += frames;
}

namespace {

template <typename Sample, typename Call>
void inBlocks(const Sample* inL, const Sample* inR, Sample* outL, Sample* outR, int64_t frames,
              int32_t blockSize, Call call) {
    for (int64_t start = 0; start < frames; start += blockSize) {
        int32_t n = (int32_t)std::min<int64_t>(blockSize, frames - start);
        Sample* inputs[2] = {const_cast<Sample*>(inL + start), const_cast<Sample*>(inR + start)};
        Sample* outputs[2] = {outL + start, outR + start};
        call(inputs, outputs, n);
    }
}

}  // namespace

void Instance::processStereo(const float* inL, const float* inR, float* outL, float* outR,
                             int64_t frames, int32_t blockSize) {
    inBlocks(inL, inR, outL, outR, frames, blockSize,
             [this](float** in, float** out, int32_t n) { process(in, out, n); });
}

void Instance::processStereoDouble(const double* inL, const double* inR, double* outL,
                                   double* outR, int64_t frames, int32_t blockSize) {
    inBlocks(inL, inR, outL, outR, frames, blockSize,
             [this](double** in, double** out, int32_t n) { processDouble(in, out, n); });
}

std::vector<CallbackRecord> Instance::calls() const {
    std::lock_guard<std::mutex> lock(recordsMutex);
    return callRecords;
}

std::vector<MidiRecord> Instance::midiEvents() const {
    std::lock_guard<std::mutex> lock(recordsMutex);
    return midiRecords;
}

size_t Instance::countCalls(int32_t opcode) const {
    std::lock_guard<std::mutex> lock(recordsMutex);
    return (size_t)std::count_if(callRecords.begin(), callRecords.end(),
                                 [opcode](const CallbackRecord& r) { return r.opcode == opcode; });
}

void Instance::clearRecords() {
    std::lock_guard<std::mutex> lock(recordsMutex);
    callRecords.clear();
    midiRecords.clear();
}

}  // namespace host
