// Panned drum hits whose noise comes from the caller's random engine, so that
// one seed fixes both a pattern's timing and its sound: for the bit-for-bit
// comparisons against the reference model, in double precision at any rate.
// A kick with falling pitch, a snare of tone and noise, a hi-hat of
// differenced noise.
#pragma once

#include <cstddef>
#include <random>
#include <vector>

#include "drum_synth.h"

namespace drums::panned {

// Adds one hit starting at `start` into both channels, scaled by gain and
// panned by pan (-1 left .. 1 right); the part past the end is dropped.
void addHit(std::vector<double>& left, std::vector<double>& right, size_t start, Kind kind,
            double gain, double pan, double sampleRate, std::mt19937& rng);

}  // namespace drums::panned
