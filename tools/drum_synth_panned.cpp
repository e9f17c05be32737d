#include "drum_synth_panned.h"

#include <cmath>

namespace drums::panned {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

void addHit(std::vector<double>& left, std::vector<double>& right, size_t start, Kind kind,
            double gain, double pan, double sampleRate, std::mt19937& rng) {
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const double seconds = kind == Kind::Kick ? 0.3 : kind == Kind::Snare ? 0.2 : 0.06;
    const size_t length = (size_t)(seconds * sampleRate);
    double phase = 0.0, previousNoise = 0.0;
    for (size_t i = 0; i < length && start + i < left.size(); i++) {
        const double t = (double)i / sampleRate;
        double x = 0.0;
        if (kind == Kind::Kick) {
            phase += 2.0 * kPi * (50.0 + 100.0 * std::exp(-t / 0.03)) / sampleRate;
            x = std::sin(phase) * std::exp(-t / 0.08);
        } else if (kind == Kind::Snare) {
            phase += 2.0 * kPi * 190.0 / sampleRate;
            x = 0.5 * std::sin(phase) * std::exp(-t / 0.05) + 0.6 * noise(rng) * std::exp(-t / 0.06);
        } else {
            const double n = noise(rng);
            x = 0.7 * (n - previousNoise) * std::exp(-t / 0.015);
            previousNoise = n;
        }
        left[start + i] += gain * (1.0 - pan) * x;
        right[start + i] += gain * (1.0 + pan) * x;
    }
}

}  // namespace drums::panned
