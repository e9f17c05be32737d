// Teaching: finds the hits in an example recording of one drum and turns
// each into a template, a half-second sequence of band spectra that starts
// at the hit's onset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace transcriber {

// Onsets (samples) of the separate hits in an example, soft ones included;
// empty when it holds no hit.
std::vector<int64_t> findExampleOnsets(const float* samples, size_t count, double sampleRate);

struct DrumTemplate {
    // kTemplateFrames frames of bandCount() magnitudes. Frame 0 is the first
    // whose window ends at or after the onset, averaged over the onset's
    // possible positions within that hop.
    std::vector<float> frames;
    float strength = 0.0f;  // magnitude sum of the opening frames
};

DrumTemplate buildTemplate(const float* samples, size_t count, double sampleRate,
                           int64_t onset, int64_t nextOnset);

// The magnitude sum over which strengths of templates and hits are compared.
float openingStrength(const float* frames, int bands);

}  // namespace transcriber
