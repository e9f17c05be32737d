// Seeded test signals for the comparisons against the reference model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace reference {

struct Stereo {
    std::vector<double> left, right;
    size_t size() const { return left.size(); }
    void append(const Stereo& other);
    void appendConstant(double l, double r, size_t frames);
};

// White noise whose loudness jumps between silence and full scale in
// segments of a few hundred to a few thousand samples.
Stereo noiseSegments(uint32_t seed, size_t frames);

// Kick, snare and hi-hat like hits (decaying sines and noise bursts) at
// random times and strengths, some overlapping, with silence between.
Stereo drumPattern(uint32_t seed, size_t frames, double sampleRate);

// Drums interleaved with what a host may feed by mistake or at the limits:
// not-a-number and infinite bursts, subnormals, full-scale square waves, DC,
// and finite values near the largest float.
Stereo edgeInputs(uint32_t seed);

// The same samples, each rounded to the nearest 32-bit float.
Stereo roundedToFloat(const Stereo& signal);

}  // namespace reference
