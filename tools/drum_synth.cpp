#include "drum_synth.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "drum_synth_noise.h"

namespace drums {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Partial {
    double frequency;  // Hz
    double amplitude;
    double decay;  // seconds to fall to 1/e
};

struct Recipe {
    double length;  // seconds
    Partial partials[6];
    int numPartials;
    double noiseAmplitude;
    double noiseDecay;
    uint32_t seed;
};

// Partials sit on the band centres of the plug-in's filters (at 44.1 kHz).
// Each drum has one dominant partial, so that its level does not beat and
// dip; the amounts were tuned with a model of the detector so that the
// templates tell the drums apart at the onset sample over a wide range of
// thresholds.
constexpr Recipe kRecipes[kNumKinds] = {
    // kick: a soft body at 40, 74 and 120 Hz under a knock at 640 Hz
    {0.3,
     {{39.75, 0.018, 0.245}, {73.63, 0.013, 0.541}, {119.94, 0.038, 0.042}, {480.02, 0.055, 0.012},
      {640.0, 0.613, 0.009}, {1279.99, 0.026, 0.005}},
     6, 0.0, 0.0, 0x2545F491u},
    // snare: 1280 Hz with 640, 2560 and 5120 Hz around it, and a burst of noise
    {0.3, {{640.0, 0.022, 0.026}, {1279.99, 0.233, 0.018}, {2560.0, 0.142, 0.028}, {5120.0, 0.014, 0.021}}, 4, 0.101,
     0.004, 0x9E3779B9u},
    // hi-hat: 2560 and 5120 Hz over high noise
    {0.3, {{1279.99, 0.016, 0.012}, {2560.0, 0.630, 0.022}, {5120.0, 0.299, 0.022}}, 3, 0.195, 0.015, 0x85EBCA6Bu},
};

class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() { return (double)xorshift32(state) / 2147483648.0 - 1.0; }

private:
    uint32_t state;
};

}  // namespace

int64_t hitLength(Kind kind, int sampleRate) {
    return (int64_t)(kRecipes[(int)kind].length * sampleRate);
}

void addHit(Stereo& buffer, Kind kind, int64_t start, float gain, int sampleRate) {
    const Recipe& r = kRecipes[(int)kind];
    Noise noise(r.seed);
    double previousNoise = 0.0;
    int64_t length = std::min(hitLength(kind, sampleRate), buffer.frames() - start);
    for (int64_t i = 0; i < length; i++) {
        double t = (double)i / sampleRate;
        double v = 0.0;
        for (int p = 0; p < r.numPartials; p++) {
            const Partial& partial = r.partials[p];
            v += partial.amplitude * std::exp(-t / partial.decay) * std::sin(kTwoPi * partial.frequency * t);
        }
        double white = noise.next();
        // Differenced white noise: a tilt towards the high bands.
        double n = (white - previousNoise) / 2;
        previousNoise = white;
        if (r.noiseAmplitude > 0.0) v += r.noiseAmplitude * std::exp(-t / r.noiseDecay) * n;
        size_t at = (size_t)(start + i);
        buffer.left[at] += (float)(gain * v);
        buffer.right[at] += (float)(gain * v);
    }
}

std::vector<float> render(const std::vector<Hit>& hits, int64_t frames, int sampleRate) {
    Stereo buffer(frames);
    for (const Hit& hit : hits) addHit(buffer, hit.kind, hit.start, hit.gain, sampleRate);
    return std::move(buffer.left);
}

std::vector<Hit> groove(int64_t frames, int64_t spacing, int64_t first) {
    constexpr Kind kPattern[] = {Kind::Kick, Kind::HiHat, Kind::Snare, Kind::HiHat};
    std::vector<Hit> hits;
    for (int64_t start = first, n = 0; start < frames; start += spacing, n++)
        hits.push_back({start, kPattern[n % 4]});
    return hits;
}

}  // namespace drums
