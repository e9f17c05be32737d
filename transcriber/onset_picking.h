// Picks each drum's onsets from the drums' activations, one frame at a time:
// a peak of the drum's activation (summed over the peak and its two
// neighbours) above an adaptive threshold, at least a flam's distance from
// the drum's previous onset and, soon after it, risen again from the dip
// between them (a hi-hat's also not much weaker than it). The threshold is
// the larger of a floor and a share of the drum's strongest recent hit (the
// recording's own level sets the scale), raised by the other drums'
// strength at the same moment (what a loud hit leaks into the other drums,
// the more the more alike their templates are), by what the free
// components took (a tom or a cymbal leaks into the drums) and by the
// drum's own recent strength (what a decay leaks into itself); all but the
// others' share are scaled by the fine-time evidence of a sudden rise in the
// drum's bands (OnsetNovelty). A kick's threshold also rises where the fit leaves more of
// the new energy unexplained than it usually does at the recording's kicks.
// Near its threshold a snare taught on the recording's own kit is judged by
// a rule fitted to recorded kits instead; such a hi-hat is no hat where its
// upper bands hold far less of what it predicts than its lower ones do.
#pragma once

#include <array>
#include <cstdint>

#include "transcriber/decomposition.h"
#include "transcriber/hit.h"
#include "transcriber/onset_novelty.h"

namespace transcriber {

struct PickedOnset {
    Drum drum;
    double frame;    // fractional frame of the onset
    float strength;  // relative to the drum's loudest example hit
};

// A peak of a drum's activation weighed as an onset, with what it was
// weighed by (strengths relative to the drum's loudest example hit), for
// diagnosing and fitting the picker's rules.
struct Candidate {
    Drum drum;
    double frame;  // fractional frame the onset would lie at
    bool accepted;
    float strength;
    float threshold;
    float rise;         // the fine-time evidence around the peak (OnsetNovelty)
    float unexplained;  // what the free components and the background took around it
    float loudest;      // the drum's strongest recent onset
    float tilt;         // FrameActivations::tilt at the peak
};

class OnsetPicker {
public:
    static constexpr int kHistoryFrames = 16;

    void restart();
    void setSensitivity(Drum drum, float sensitivity);
    // A drum whose templates come from another kit than the recording's
    // keeps its threshold alone (no rule near it).
    void setFromAnotherKit(Drum drum, bool another);
    // A drum's threshold counts each other drum's strength in proportion to
    // how alike their templates are, relative to its most alike other drum:
    // a loud hi-hat leaks little into the kick, a snare much.
    void setSimilarities(const Decomposition::Similarities& similarities);
    // Takes frame `frame`'s activations; writes the onsets found in frame
    // - 1 to `onsets` and returns how many (at most one per drum). The
    // novelty must hold the frames up to `frame`.
    int push(int64_t frame, const FrameActivations& activations, const OnsetNovelty& novelty,
             PickedOnset* onsets);
    // After push(): the peaks it weighed (at most one per drum).
    const Candidate* weighed(int& count) const {
        count = weighedCount_;
        return weighed_.data();
    }
    // After push(frame): per drum, the strength around frame - 1 and the
    // threshold it is compared with there.
    void levels(int64_t frame, const OnsetNovelty& novelty, float* strength, float* threshold);

private:
    static constexpr int kRing = kHistoryFrames + 2;
    // Frames before the first (the threshold looks back from early peaks)
    // land on slots not written since restart(), so they read as silence.
    static size_t slot(int64_t frame) { return static_cast<size_t>((frame % kRing + kRing) % kRing); }
    float at(int drum, int64_t frame) const { return history_[drum][slot(frame)]; }
    float unexplainedAt(int drum, int64_t frame) const { return unexplained_[drum][slot(frame)]; }
    // Whether a peak soon after the drum's last onset is a new stroke: its
    // activation rose again since, and for a hi-hat its bands rise clearly.
    bool newStroke(int drum, int64_t peak, const OnsetNovelty& novelty) const;
    // The fine-time evidence of a rise in the drum's bands around the peak.
    static float riseAround(int drum, int64_t peak, const OnsetNovelty& novelty);
    // The fractional frame the onset lies at (Candidate::frame).
    double onsetFrame(int drum, int64_t peak, float strength, const OnsetNovelty& novelty) const;
    // The evidence at the drum's peak (all but its frame and decision).
    Candidate weigh(int drum, int64_t peak, const float* strength, const OnsetNovelty& novelty);
    // Whether the candidate is an onset: its threshold, or near it a rule
    // fitted to recorded kits; and for a hi-hat, its tilt. Decided by the
    // evidence alone, so that a record of candidates can fit the rules.
    bool accepts(const Candidate& candidate) const;
    float threshold(int drum, int64_t peak, const float* strength, bool sudden);
    // Whether the candidate is a darker stroke lending the drum its lower
    // bands (see FrameActivations::tilt).
    static bool darker(const Candidate& candidate, float overThreshold);
    // The share of the new energy around the peak that the fit left over.
    float misfit(int64_t peak) const;

    std::array<std::array<float, kRing>, kDrumCount> history_{}, unexplained_{}, tilt_{};
    std::array<float, kRing> rose_{}, leftOver_{};
    std::array<float, kDrumCount> usualMisfit_{};  // at the drum's onsets so far
    std::array<float, kDrumCount> sensitivity_{1.0f, 1.0f, 1.0f};
    std::array<bool, kDrumCount> fromAnotherKit_{};
    Decomposition::Similarities leakWeight_{};
    std::array<float, kDrumCount> loudest_{};
    std::array<int64_t, kDrumCount> lastOnset_{};
    int64_t lastPeak_ = 0;
    std::array<Candidate, kDrumCount> weighed_{};
    int weighedCount_ = 0;
};

}  // namespace transcriber
