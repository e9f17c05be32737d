// Runs the pipeline with the filter bank's vector width that suits the processor.
#include "process.h"

#include "pipeline.h"

namespace {

template <typename T>
void runNarrow(DetectorState& t, T** inputs, T** outputs, int32_t sampleFrames) {
    engine::runPipeline<T, engine::FilterBank<engine::ChannelPair>>(t, inputs, outputs,
                                                                    sampleFrames);
}

#if defined(__x86_64__)
// The pipeline with the two-band vectors, compiled for processors with
// 256-bit vectors; what it calls is compiled into it, and what a compiler
// keeps apart (the functions that take those vectors) is reached only from here.
template <typename T>
TAMBORO_WIDE __attribute__((flatten)) void runWide(DetectorState& t, T** inputs, T** outputs,
                                                   int32_t sampleFrames) {
    engine::runPipeline<T, engine::FilterBank<engine::BandPair>>(t, inputs, outputs, sampleFrames);
}
#else
template <typename T>
void runWide(DetectorState& t, T** inputs, T** outputs, int32_t sampleFrames) {
    runNarrow(t, inputs, outputs, sampleFrames);
}
#endif

template <typename T>
void processBlock(DetectorState& t, T** inputs, T** outputs, int32_t sampleFrames) {
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

void engine::process(DetectorState& t, float** inputs, float** outputs, int32_t sampleFrames) {
    processBlock(t, inputs, outputs, sampleFrames);
}

void engine::process(DetectorState& t, double** inputs, double** outputs, int32_t sampleFrames) {
    processBlock(t, inputs, outputs, sampleFrames);
}
