#include "drum_synth.h"

#include <algorithm>
#include <cmath>

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
    Partial partials[5];
    int numPartials;
    double noiseAmplitude;
    double noiseDecay;
    bool noiseHighPassed;
    double left, right;  // pan gains
    uint32_t seed;
};

// Partials sit on the band centres of the plug-in's filters (at 44.1 kHz).
constexpr Recipe kRecipes[kNumKinds] = {
    {0.6, {{39.75, 0.45, 0.30}, {73.63, 0.35, 0.22}, {119.94, 0.30, 0.15}}, 3, 0.0, 0.0, false, 1.0, 1.0,
     0x2545F491u},
    {0.35,
     {{159.91, 0.22, 0.12}, {240.0, 0.2, 0.10}, {319.94, 0.18, 0.09}, {480.02, 0.16, 0.08}, {640.0, 0.14, 0.07}},
     5, 0.25, 0.05, false, 1.0, 0.9, 0x9E3779B9u},
    {0.2, {{1279.99, 0.12, 0.05}, {2560.0, 0.14, 0.04}, {5120.0, 0.16, 0.03}}, 3, 0.35, 0.03, true, 0.85, 1.0,
     0x85EBCA6Bu},
};

// xorshift32: small, fast and the same everywhere.
class Noise {
public:
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (double)state / 2147483648.0 - 1.0;
    }

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
        double n = r.noiseHighPassed ? (white - previousNoise) / 2 : white;
        previousNoise = white;
        v += r.noiseAmplitude * std::exp(-t / r.noiseDecay) * n;
        size_t at = (size_t)(start + i);
        buffer.left[at] += (float)(gain * r.left * v);
        buffer.right[at] += (float)(gain * r.right * v);
    }
}

}  // namespace drums
