#include "transcriber_effect.h"

#include <cmath>
#include <cstring>
#include <new>

#include "shell/effect_factory.h"
#include "shell/midi_output.h"
#include "shell/string_copy.h"
#include "state_chunk.h"
#include "transcriber/analysis_grid.h"
#include "transcriber_editor/transcriber_editor.h"

using namespace transcriber_plugin_info;

TranscriberEffect::TranscriberEffect(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams), supply_(capture_, armed_) {
    setNumInputs(kNumInputs);
    setNumOutputs(kNumOutputs);
    setUniqueID(kUniqueId);
    canProcessReplacing(true);
    canDoubleReplacing(true);
    programsAreChunks(true);
    for (std::atomic<float>& s : sensitivity_) s.store(kDefaultSensitivityParam);
    // The editor registers itself with this object, which sets the has-editor flag.
    auto* newEditor = new (std::nothrow) TranscriberEditor(this, hitFeed_);
    constructed_ = newEditor && capture_.reserve() && supply_.started();
    sampleRate = (float)kDefaultSampleRate;
    resume();
    constructed_ = constructed_ && latency_ > 0;
    announced_ = true;
}

TranscriberEffect::~TranscriberEffect() {
    // Closed while the whole object still answers: a drag in progress ends
    // its edit gesture with the host.
    if (editor) editor->close();
}

void TranscriberEffect::endSoundingNotes() {
    schedule_.endAll([this](const NoteSchedule::Event& e) {
        midi_output::sendNote(*this, midi_output::kNoteOffStatus, e.note, 0, 0);
    });
}

// The host stops processing before it suspends, so its dispatcher thread
// may end the notes still sounding; it can still take events now.
void TranscriberEffect::suspend() { endSoundingNotes(); }

void TranscriberEffect::close() { endSoundingNotes(); }

// A new rate needs a new engine, built here while processing is stopped;
// otherwise the running engine just forgets the stream before the next block.
// At a rate the transcriber cannot take, audio passes through and no notes
// are made, rather than notes timed for another rate.
void TranscriberEffect::resume() {
    const double rate = sampleRate;
    rateUnsupported_.store(!transcriber::sampleRateSupported(rate));
    if (rate != configuredRate_ && transcriber::sampleRateSupported(rate)) {
        const int latency = supply_.configure(rate);
        if (latency > 0) {
            configuredRate_ = rate;
            noteLength_ = std::llround(kNoteLengthSeconds * rate);
            if (latency != latency_) {
                latency_ = latency;
                setInitialDelay(latency);
                if (announced_) ioChanged();
            }
        }
    }
    endSoundingNotes();
    streamPosition_ = 0;
    restartStream_.store(true);
}

bool TranscriberEffect::setBypass(bool bypass) {
    bypassed_.store(bypass, std::memory_order_relaxed);
    return true;
}

int32_t TranscriberEffect::getChunk(void** data, bool) {
    PluginState state;
    for (int d = 0; d < kNumDrums; d++) state.sensitivity[d] = sensitivity_[d].load();
    try {
        state.templates = supply_.saved();
        savedChunk_ = writeChunk(state);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    *data = savedChunk_.data();
    return (int32_t)savedChunk_.size();
}

int32_t TranscriberEffect::setChunk(void* data, int32_t size, bool) {
    PluginState state;
    if (!readChunk(static_cast<const uint8_t*>(data), (size_t)size, state)) return 0;
    for (int d = 0; d < kNumDrums; d++) {
        sensitivity_[d].store(state.sensitivity[d]);
        armed_[d].store(false);
    }
    supply_.restore(state.templates);
    return 1;
}

bool TranscriberEffect::getEffectName(char* name) {
    copyString(name, kEffectName, kVstMaxEffectNameLen);
    return true;
}

bool TranscriberEffect::getVendorString(char* text) {
    copyString(text, kVendorName, kVstMaxVendorStrLen);
    return true;
}

bool TranscriberEffect::getProductString(char* text) {
    copyString(text, kProductName, kVstMaxProductStrLen);
    return true;
}

int32_t TranscriberEffect::getVendorVersion() { return kVendorVersion; }

int32_t TranscriberEffect::canDo(char* text) {
    for (const char* yes : {plugin_info::kCanDoSendEvents, plugin_info::kCanDoSendMidiEvent, "bypass"})
        if (std::strcmp(text, yes) == 0) return 1;
    return -1;
}

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return createConstructed<TranscriberEffect>(audioMaster);
}
