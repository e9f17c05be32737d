// Synthetic drum recordings for tests and benchmarks: a kick (a falling
// sine around 60 Hz), a snare (a 190 Hz tone with noise) and a closed hi-hat
// (high-passed noise), each decaying, placed at given sample positions. The
// noise comes from a fixed generator, so every run sees the same signal.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace drums {

enum class Drum { Kick, Snare, HiHat };

struct Hit {
    int64_t start;
    Drum drum;
    float gain = 1.0f;
};

// A small xorshift generator: the same numbers on every platform.
class Noise {
public:
    float next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (float)((double)(state >> 11) / (double)(1ull << 53) * 2.0 - 1.0);
    }

private:
    uint64_t state = 0x9E3779B97F4A7C15ull;
};

inline float drumSample(Drum drum, double seconds, Noise& noise, float& lastNoise) {
    constexpr double kTwoPi = 6.283185307179586;
    switch (drum) {
        case Drum::Kick: {
            const double phase = kTwoPi * (50.0 * seconds + 70.0 * 0.03 * (1.0 - std::exp(-seconds / 0.03)));
            return (float)(0.9 * std::sin(phase) * std::exp(-seconds / 0.12));
        }
        case Drum::Snare: {
            const double tone = 0.4 * std::sin(kTwoPi * 190.0 * seconds) * std::exp(-seconds / 0.05);
            return (float)(tone + 0.5 * noise.next() * std::exp(-seconds / 0.08));
        }
        case Drum::HiHat: {
            const float white = noise.next();
            const float highPassed = white - lastNoise;  // tilts the noise towards high bands
            lastNoise = white;
            return (float)(0.35 * highPassed * std::exp(-seconds / 0.025));
        }
    }
    return 0.0f;
}

// Each hit rings until the next one starts or the signal ends.
inline std::vector<float> render(const std::vector<Hit>& hits, int64_t frames,
                                 double sampleRate = 44100.0) {
    std::vector<float> signal((size_t)frames, 0.0f);
    Noise noise;
    for (size_t h = 0; h < hits.size(); h++) {
        const int64_t end = h + 1 < hits.size() ? hits[h + 1].start : frames;
        float lastNoise = 0.0f;
        for (int64_t n = hits[h].start; n < end && n < frames; n++) {
            const double seconds = (double)(n - hits[h].start) / sampleRate;
            signal[(size_t)n] = hits[h].gain * drumSample(hits[h].drum, seconds, noise, lastNoise);
        }
    }
    return signal;
}

// A groove: kick, hi-hat, snare, hi-hat, every `spacing` samples.
inline std::vector<Hit> groove(int64_t frames, int64_t spacing, int64_t first = 0) {
    constexpr Drum kPattern[] = {Drum::Kick, Drum::HiHat, Drum::Snare, Drum::HiHat};
    std::vector<Hit> hits;
    for (int64_t start = first, n = 0; start < frames; start += spacing, n++)
        hits.push_back({start, kPattern[n % 4]});
    return hits;
}

}  // namespace drums
