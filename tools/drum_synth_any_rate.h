// Kick, snare and hi-hat hits for the transcriber's tests and benchmark:
// deterministic, the same sound at any sample rate, placed at known samples.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "transcriber/hit.h"

namespace drums::any_rate {

// kPi is an extension some C libraries leave out.
constexpr double kPi = 3.14159265358979323846;

// A fixed pseudo-random sequence in [-1, 1), the same on every platform.
class Noise {
public:
    explicit Noise(uint32_t seed) : state_(seed) {}
    float next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }

private:
    uint32_t state_;
};

// Noise with the same spectrum at every sample rate: a sequence at 44.1 kHz
// read with linear interpolation (averaged over each sample below that
// rate), so the sound does not change with the rate.
class RateFreeNoise {
public:
    RateFreeNoise(uint32_t seed, double rate) : noise_(seed), step_(kBaseRate / rate) {
        for (float& v : ahead_) v = noise_.next();
    }
    float next() {
        float sum = 0.0f;
        const int taken = std::max(1, static_cast<int>(step_));
        for (int i = 0; i < taken; i++) sum += value(position_ + i * step_ / taken);
        position_ += step_;
        return sum / taken;
    }

private:
    static constexpr double kBaseRate = 44100.0;
    float value(double at) {
        while (at >= base_ + 1) {
            ahead_[0] = ahead_[1];
            ahead_[1] = noise_.next();
            base_++;
        }
        const float f = static_cast<float>(at - base_);
        return ahead_[0] + f * (ahead_[1] - ahead_[0]);
    }
    Noise noise_;
    double step_;
    double position_ = 0.0;
    int64_t base_ = 0;
    float ahead_[2];
};

constexpr double kHatCornerHz = 6000.0;
constexpr double kSnareCornerHz = 3000.0;

// Adds one hit of `drum` at sample `at`, with peak level about `gain`.
inline void addHit(std::vector<float>& out, transcriber::Drum drum, int64_t at, float gain,
                   double rate, uint32_t seed = 1) {
    RateFreeNoise noise(seed, rate);
    const int64_t length = static_cast<int64_t>(0.6 * rate);
    double phase = 0.0;
    float smoothed = 0.0f;
    for (int64_t i = 0; i < length && at + i < static_cast<int64_t>(out.size()); i++) {
        if (at + i < 0) continue;
        const double t = i / rate;
        float s = 0.0f;
        switch (drum) {
        case transcriber::Drum::Kick: {
            const double f = 50.0 + 90.0 * std::exp(-t / 0.03);
            phase += 2.0 * kPi * f / rate;
            s = static_cast<float>(std::sin(phase) * std::exp(-t / 0.15)) +
                0.3f * noise.next() * static_cast<float>(std::exp(-t / 0.003));
            break;
        }
        case transcriber::Drum::Snare:
            // Tone and rattle; the rattle smoothed below the hi-hat's range.
            smoothed += static_cast<float>(1.0 - std::exp(-2.0 * kPi * kSnareCornerHz / rate)) *
                        (noise.next() - smoothed);
            s = static_cast<float>(0.5 * std::sin(2.0 * kPi * 190.0 * t) * std::exp(-t / 0.06)) +
                1.5f * smoothed * static_cast<float>(std::exp(-t / 0.1));
            break;
        case transcriber::Drum::HiHat: {
            // Noise minus its smoothed self: the energy sits in the top
            // octaves (the smoothing's corner is fixed in Hz).
            const float n = noise.next();
            smoothed += static_cast<float>(1.0 - std::exp(-2.0 * kPi * kHatCornerHz / rate)) * (n - smoothed);
            s = 1.5f * (n - smoothed) * static_cast<float>(std::exp(-t / 0.04));
            break;
        }
        }
        out[at + i] += gain * s;
    }
}

struct PlacedHit {
    transcriber::Drum drum;
    double seconds;
    float gain;
};

inline std::vector<float> render(const std::vector<PlacedHit>& hits, double seconds, double rate) {
    std::vector<float> out(static_cast<size_t>(seconds * rate), 0.0f);
    uint32_t seed = 1;
    for (const PlacedHit& h : hits)
        addHit(out, h.drum, std::llround(h.seconds * rate), h.gain, rate, seed++);
    return out;
}

// One example hit of the drum 50 ms into a second of silence.
inline std::vector<float> example(transcriber::Drum drum, double rate) {
    return render({{drum, 0.05, 0.8f}}, 1.0, rate);
}

// A steady groove: kick and hi-hat together on beats, snare between, hats
// on the off-beats; `beats` beats at 120 bpm.
inline std::vector<PlacedHit> groove(int beats) {
    using transcriber::Drum;
    std::vector<PlacedHit> hits;
    for (int b = 0; b < beats; b++) {
        const double t = 0.1 + 0.5 * b;
        hits.push_back({b % 2 ? Drum::Snare : Drum::Kick, t, 0.7f});
        hits.push_back({Drum::HiHat, t, 0.5f});
        hits.push_back({Drum::HiHat, t + 0.25, 0.3f});
    }
    return hits;
}

}  // namespace drums::any_rate
