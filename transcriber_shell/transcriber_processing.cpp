// The host's two processing calls: audio passes through unchanged; its mono
// mix feeds the learning capture and the transcriber, whose hits become
// scheduled notes; the notes due in this block go out with their offsets.
#include <cstring>

#include "shell/midi_output.h"
#include "transcriber_effect.h"

using namespace transcriber_plugin_info;

namespace {

template <typename T>
bool allBuffersPresent(T** inputs, T** outputs) {
    return inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1];
}

}  // namespace

// Turns the engine's hits (positions in the engine's own stream) into notes
// one latency after the onset, and shows them to the editor.
class TranscriberEffect::HitsToNotes : public transcriber::HitSink {
public:
    HitsToNotes(NoteSchedule& schedule, HitFeed& feed, int64_t origin, int latency, int64_t length)
        : schedule_(schedule), feed_(feed), origin_(origin), latency_(latency), length_(length) {}
    void onHit(const transcriber::Hit& hit) override {
        const int64_t on = origin_ + hit.position + latency_;
        const int drum = static_cast<int>(hit.drum);
        schedule_.add(on, on + length_, plugin_info::kDrumNotes[drum], hit.velocity);
        feed_.push(drum, hit.velocity);
    }

private:
    NoteSchedule& schedule_;
    HitFeed& feed_;
    int64_t origin_;
    int latency_;
    int64_t length_;
};

void TranscriberEffect::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    process(inputs, outputs, sampleFrames);
}

void TranscriberEffect::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    process(inputs, outputs, sampleFrames);
}

int TranscriberEffect::armedDrum() const {
    for (int d = 0; d < kNumDrums; d++)
        if (armed_[d].load(std::memory_order_relaxed)) return d;
    return -1;
}

void TranscriberEffect::applySensitivities(transcriber::Transcriber& engine) {
    for (int d = 0; d < kNumDrums; d++)
        engine.setSensitivity(static_cast<transcriber::Drum>(d),
                              sensitivityOf(sensitivity_[d].load(std::memory_order_relaxed)));
}

void TranscriberEffect::sendScheduled(int64_t blockEnd) {
    schedule_.sendBefore(blockEnd, [this](const NoteSchedule::Event& e) {
        const int status = e.on ? midi_output::kNoteOnStatus : midi_output::kNoteOffStatus;
        midi_output::sendNote(*this, status, e.note, e.velocity, (int32_t)(e.position - blockStart_));
    });
}

// A drum that disarmed itself by learning tells the host its learn
// parameter is 0 again; otherwise the host keeps showing, saving and
// restoring it as armed, and a reopened session would learn anew.
void TranscriberEffect::reportDisarmed() {
    for (int d = 0; d < kNumDrums; d++)
        if (supply_.takeDisarmed(d)) callHost(audioMasterAutomate, kFirstLearn + d, 0, nullptr, 0.0f);
}

// A call with a missing buffer or no samples processes nothing and sends
// nothing: the stream goes on as if it had not happened.
template <typename T>
void TranscriberEffect::process(T** inputs, T** outputs, int32_t frames) {
    if (frames <= 0 || !allBuffersPresent(inputs, outputs)) return;
    reportDisarmed();
    bool fresh = false;
    transcriber::Transcriber* engine = supply_.audioEngine(fresh);
    // Both are consumed: a restart asked for must not come a block late.
    const bool restart = restartStream_.exchange(false, std::memory_order_relaxed);
    if (engine && (fresh || restart)) {
        engine->restart();
        engineOrigin_ = streamPosition_;
    }
    blockStart_ = streamPosition_;
    const bool bypassed =
        bypassed_.load(std::memory_order_relaxed) || rateUnsupported_.load(std::memory_order_relaxed);
    if (bypassed && !wasBypassed_) endSoundingNotes();
    if (!bypassed && wasBypassed_ && engine) {
        engine->restart();
        engineOrigin_ = streamPosition_;
    }
    wasBypassed_ = bypassed;
    if (!bypassed && engine) {
        applySensitivities(*engine);
        transcribe(inputs, outputs, frames, engine);
        sendScheduled(blockStart_ + frames);
    } else {
        for (int c = 0; c < kNumOutputs; c++)
            if (outputs[c] != inputs[c]) std::memmove(outputs[c], inputs[c], sizeof(T) * (size_t)frames);
    }
    streamPosition_ += frames;
}

// Piece by piece, the mix is taken before the piece is copied out, so a host
// that passes one channel's input as the other's output loses nothing.
template <typename T>
void TranscriberEffect::transcribe(T** inputs, T** outputs, int32_t frames, transcriber::Transcriber* engine) {
    HitsToNotes sink(schedule_, hitFeed_, engineOrigin_, latency_, noteLength_);
    for (int32_t start = 0; start < frames; start += kMonoBlock) {
        const int32_t n = std::min<int32_t>(kMonoBlock, frames - start);
        for (int32_t i = 0; i < n; i++)
            mono_[i] = (float)(inputs[0][start + i] + inputs[1][start + i]) / 2.0f;
        for (int c = 0; c < kNumOutputs; c++)
            if (outputs[c] != inputs[c])
                std::memmove(outputs[c] + start, inputs[c] + start, sizeof(T) * (size_t)n);
        capture_.push(mono_, (size_t)n, armedDrum());
        engine->process(mono_, (size_t)n, sink);
    }
}
