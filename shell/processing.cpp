// The host's two processing calls: each asks the host for the sample rate and
// the tempo once, then hands the block to the engine.
#include <cmath>

#include "engine/process.h"
#include "tamboro.h"

namespace {

// Without a usable tempo from the host (none, flagged invalid, not a number,
// infinite, or not positive) notes are timed at the default tempo.
double usableTempo(const VstTimeInfo* info) {
    if (info && (info->flags & kVstTempoValid) && std::isfinite(info->tempo) && info->tempo > 0.0)
        return info->tempo;
    return kDefaultTempo;
}

template <typename T>
bool allBuffersPresent(T** inputs, T** outputs) {
    return inputs && outputs && inputs[0] && inputs[1] && outputs[0] && outputs[1];
}

// A call with a missing buffer still asks the host what every call asks, so
// a host sees the same calls whatever it passed, and then leaves the engine's
// state as it was: the stream goes on as if the call had not happened.
template <typename T>
void process(Tamboro& t, T** inputs, T** outputs, int32_t sampleFrames) {
    t.currentSampleRate = t.updateSampleRate();
    t.currentTempo = usableTempo(t.getTimeInfo(kVstPpqPosValid | kVstTempoValid));
    if (allBuffersPresent(inputs, outputs)) engine::process(t, inputs, outputs, sampleFrames);
}

}  // namespace

void Tamboro::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    process(*this, inputs, outputs, sampleFrames);
}

void Tamboro::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    process(*this, inputs, outputs, sampleFrames);
}
