// The host's two processing calls: each asks the host for the sample rate and
// the tempo once, then runs the pipeline over the block.
#include <cmath>

#include "pipeline.h"

namespace {

// Without a usable tempo from the host (none, flagged invalid, not a number,
// infinite, or not positive) notes are timed at 120 beats per minute.
double usableTempo(const VstTimeInfo* info) {
    if (info && (info->flags & kVstTempoValid) && std::isfinite(info->tempo) && info->tempo > 0.0)
        return info->tempo;
    return kDefaultTempo;
}

template <typename T>
void process(Tamboro& t, T** inputs, T** outputs, int32_t sampleFrames) {
    t.currentSampleRate = t.updateSampleRate();
    t.currentTempo = usableTempo(t.getTimeInfo(kVstPpqPosValid | kVstTempoValid));
    engine::runPipeline<T, engine::FilterBank<engine::ChannelPair>>(t, inputs, outputs, sampleFrames);
}

}  // namespace

void Tamboro::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    process(*this, inputs, outputs, sampleFrames);
}

void Tamboro::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    process(*this, inputs, outputs, sampleFrames);
}
