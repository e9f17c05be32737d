// Streaming non-negative factor deconvolution of band spectra with fixed
// drum templates. Each frame's activations are estimated from that frame and
// a few following ones (the look-ahead) while every earlier frame's
// activations stay as they were: the templates' continuations of earlier
// hits are carried forward as a prediction, so a decay is explained by the
// hit that caused it instead of being taken for a new one; a hi-hat's
// continuation is cut back where the recording falls below it (the next
// stroke chokes the ring), and a snare's is scaled down to the level its
// ring really has once the stroke is over (a soft stroke in the ring must
// not hide under a decay that the example held longer). What none of the
// drums explains goes to a few free, smooth spectral shapes (toms,
// cymbals) and to a background made of a slowly tracked floor and the
// level of the frame before (noise, reverberation).
//
// Each frame's activations minimise the squared error between the new
// energy and the components over the look-ahead window, in bands weighted
// so that quiet high bands count (a partial whitening), under the
// constraint that activations are not negative. Where the prediction lies
// above the recording, the difference counts only in part: a template's
// ring is a guess, the recording's energy is not. The components are fixed,
// so their Gram matrix is computed once and coordinate descent solves each
// frame in a few sweeps over a dozen numbers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "transcriber/example_hits.h"
#include "transcriber/hit.h"

namespace transcriber {

// One frame's result, in units of each drum's loudest example hit.
struct FrameActivations {
    float drum[kDrumCount];
    // What the free components and the background took, measured against
    // each drum.
    float unexplained[kDrumCount];
    // The window's energy beyond the background and the part of it that no
    // component explains (weighted; 0 where no drum took part): a stroke of
    // something none of the drums is (a tom) leaves much of its energy over.
    float rose;
    float leftOver;
    // Per drum, the log of two shares: of the drum's predicted energy in
    // its upper bands, and in its lower bands, how much the new energy
    // holds beyond what the other components and the background took (0
    // where the drum took no part). Far below 0, something darker lent the
    // drum its lower bands: a snare's or a kick's stroke read by the hi-hat.
    float tilt[kDrumCount];
};

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
    // Per pair of drums, the cosine of their loudest templates over the
    // look-ahead window in weighted bands (1 where a drum has none): how
    // much of one a fit can mistake for the other.
    using Similarities = std::array<std::array<float, kDrumCount>, kDrumCount>;
    const Similarities& similarities() const { return similarities_; }

    // Takes the newest frame. Once kLookAhead frames have followed a frame,
    // writes that frame's number and its activations (1 = as strong as the
    // loudest example hit of the drum) and returns true.
    bool push(const float* bands, FrameActivations& out, int64_t& frame);

private:
    void prepareFreeShapes();
    void prepareWeightedComponents();
    void prepareSimilarities();
    bool gatherNewEnergy(int64_t frame);
    void solve();
    void measureLeftOver(FrameActivations& out);
    void measureTilt(FrameActivations& out);
    void carryForward(int64_t frame);
    void choke(int64_t frame);
    void settleDecay(int64_t frame);
    float observedShare(int drum, int64_t frame);
    const float* templateOf(size_t k) const;
    float* ownOf(int drum) { return &own_[drum * prediction_.size()]; }

    int bands_ = 0;
    int usable_ = 0;
    std::vector<float> templates_;  // per drum component: kTemplateFrames x bands_
    std::vector<Drum> drumOf_;
    std::vector<float> strength_;  // per drum component
    std::vector<float> scale_;     // activation to strength relative to the drum's loudest
    std::vector<float> freeShapes_;  // per free component: bands_

    // Components over the look-ahead window in weighted bands, drums first.
    std::vector<float> bandWeight_, weighted_, gram_;
    std::array<float, kDrumCount> loudestEnergy_{};  // weighted, over the window
    Similarities similarities_{};

    std::vector<float> recent_;      // the newest frames, a ring
    std::vector<float> prediction_;  // earlier hits' continuations, a ring of frames
    std::vector<float> own_;         // each drum's share of it: per drum, a ring of frames
    std::vector<float> ratios_;      // per band
    std::array<int64_t, kDrumCount> lastActive_{};  // each drum's last frame with an activation
    std::vector<float> floor_;
    std::vector<float> cut_;  // per band
    // The background over the window, weighted; its products with the
    // components; its activation.
    std::vector<float> background_, backgroundGram_;
    float backgroundActivation_ = 0.0f;
    std::vector<float> residual_;    // weighted energy beyond the prediction over the window
    std::vector<float> gradient_, activation_;  // per component, drums first
    std::vector<float> drumFit_;  // per drum: its components' sum over the window
    std::vector<float> fit_;  // the components' and the background's sum over the window
    int predictionFrames_ = 0;
    int64_t frames_ = 0;
};

}  // namespace transcriber
