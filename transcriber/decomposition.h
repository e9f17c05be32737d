// Streaming non-negative factor deconvolution of band spectra with fixed
// drum templates. Each frame's activations are estimated from that frame and
// a few following ones (the look-ahead) while every earlier frame's
// activations stay as they were: the templates' continuations of earlier
// hits are carried forward as a prediction, so a decay is explained by the
// hit that caused it instead of being taken for a new one. A slowly tracked
// floor and a few free, smooth spectral shapes take what none of the drums
// explains (noise, toms, cymbals, reverb).
#pragma once

#include <vector>

#include "transcriber/example_hits.h"
#include "transcriber/hit.h"

namespace transcriber {

class Decomposition {
public:
    static constexpr int kLookAhead = 2;

    // Drops the templates. bands: values per frame; usableBands: how many of
    // them (from the lowest) take part.
    void reset(int bands, int usableBands);
    void addTemplate(Drum drum, const DrumTemplate& t);
    // Sizes the state for the templates added; allocates.
    void prepare();
    // Back to silence before a new stream; keeps the templates.
    void restart();
    int templateCount(Drum drum) const;

    // Takes the newest frame. Once kLookAhead frames have followed a frame,
    // writes that frame's number and its activation of each drum (1 = as
    // strong as the loudest example hit of the drum) and returns true.
    bool push(const float* bands, float* drumActivation, int64_t& frame);

private:
    void estimate(int64_t frame);
    void correctPrediction(int64_t frame);
    void solveLeastSquares();
    void prepareLeastSquares();
    void commit(int64_t frame);

    int bands_ = 0;
    int usable_ = 0;
    std::vector<float> templates_;  // per component: kTemplateFrames x bands_
    std::vector<Drum> drumOf_;
    std::vector<float> strength_;  // per component, before scaling to the loudest
    std::vector<float> scale_;     // activation to strength relative to the drum's loudest
    std::vector<float> templateSum_;
    std::vector<float> freeShapes_;  // per free component: bands_
    std::vector<float> freeSum_;

    std::vector<float> recent_;      // the kLookAhead + 1 newest frames, a ring
    std::vector<float> prediction_;  // earlier hits' continuations, a ring of frames
    std::vector<float> floor_;
    std::vector<float> base_, observed_, model_, ratio_;
    std::vector<float> activation_, freeActivation_;
    std::vector<float> bandWeight_, weighted_, gram_, gradient_, scaleBy_;
    int predictionFrames_ = 0;
    int64_t frames_ = 0;
};

}  // namespace transcriber
