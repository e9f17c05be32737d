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
void runNarrow(Tamboro& t, T** inputs, T** outputs, int32_t sampleFrames) {
    engine::runPipeline<T, engine::FilterBank<engine::ChannelPair>>(t, inputs, outputs,
                                                                    sampleFrames);
}

#if defined(__x86_64__)
// The pipeline with the two-band vectors, compiled for processors with
// 256-bit vectors; what it calls is compiled into it, and what a compiler
// keeps apart (the functions that take those vectors) is reached only from here.
template <typename T>
TAMBORO_WIDE __attribute__((flatten)) void runWide(Tamboro& t, T** inputs, T** outputs,
                                                   int32_t sampleFrames) {
    engine::runPipeline<T, engine::FilterBank<engine::BandPair>>(t, inputs, outputs, sampleFrames);
}
#else
template <typename T>
void runWide(Tamboro& t, T** inputs, T** outputs, int32_t sampleFrames) {
    runNarrow(t, inputs, outputs, sampleFrames);
}
#endif

template <typename T>
void process(Tamboro& t, T** inputs, T** outputs, int32_t sampleFrames) {
    t.currentSampleRate = t.updateSampleRate();
    t.currentTempo = usableTempo(t.getTimeInfo(kVstPpqPosValid | kVstTempoValid));
    if (t.wideVectors)
        runWide(t, inputs, outputs, sampleFrames);
    else
        runNarrow(t, inputs, outputs, sampleFrames);
}

}  // namespace

bool engine::wideVectorsAvailable() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
#else
    return false;
#endif
}

void Tamboro::processReplacing(float** inputs, float** outputs, int32_t sampleFrames) {
    process(*this, inputs, outputs, sampleFrames);
}

void Tamboro::processDoubleReplacing(double** inputs, double** outputs, int32_t sampleFrames) {
    process(*this, inputs, outputs, sampleFrames);
}
