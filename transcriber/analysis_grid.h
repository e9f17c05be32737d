// The time-frequency grid of the analysis, set in seconds and hertz so that
// templates taught at one sample rate serve recordings at another.
#pragma once

#include <vector>

namespace transcriber {

constexpr double kMinSampleRate = 22050.0;
constexpr double kMaxSampleRate = 192000.0;
constexpr double kWindowSeconds = 0.0464;
constexpr double kHopSeconds = 0.0058;
// About half a second of frames: long enough that a template explains a
// hit's whole decay, so the decay does not trigger again.
constexpr int kTemplateFrames = 86;

struct AnalysisGrid {
    int windowLength = 0;  // samples; twice the transform size
    int hop = 0;           // samples
};

AnalysisGrid analysisGrid(double sampleRate);
// A window of about `seconds` for BandMagnitudes whose transform is fast (and
// so needs no scratch memory).
int foldedWindowLength(double sampleRate, double seconds);
bool sampleRateSupported(double sampleRate);

// Centre frequencies of the bands: spaced by a fixed width in Hz at the low
// end, where a transform bin (about 21.5 Hz for this window) is wider than a
// fraction of an octave, and logarithmically above.
const std::vector<double>& bandCentres();
int bandCount();
// Bands whose centre lies safely below this rate's Nyquist frequency (from
// the lowest): converters' anti-aliasing filters take energy above.
int usableBandCount(double sampleRate);

}  // namespace transcriber
