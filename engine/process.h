// The engine's processing entry: one block through the pipeline, on the path
// of the buffers' precision. The shell calls it after it has asked the host
// for the sample rate and tempo of the block.
#pragma once

#include <cstdint>

class DetectorState;

namespace engine {

// inputs and outputs hold two channels each, none of them null.
void process(DetectorState& t, float** inputs, float** outputs, int32_t sampleFrames);
void process(DetectorState& t, double** inputs, double** outputs, int32_t sampleFrames);

}  // namespace engine
