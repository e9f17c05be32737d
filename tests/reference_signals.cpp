#include "reference_signals.h"

#include <cmath>
#include <limits>
#include <random>

#include "tools/drum_synth_panned.h"

namespace reference {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

void Stereo::append(const Stereo& other) {
    left.insert(left.end(), other.left.begin(), other.left.end());
    right.insert(right.end(), other.right.begin(), other.right.end());
}

void Stereo::appendConstant(double l, double r, size_t frames) {
    left.insert(left.end(), frames, l);
    right.insert(right.end(), frames, r);
}

Stereo noiseSegments(uint32_t seed, size_t frames) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<size_t> segmentLength(200, 6000);
    const double loudness[] = {0.0, 0.001, 0.02, 0.1, 0.3, 0.6, 1.0};
    std::uniform_int_distribution<int> pick(0, 6);
    Stereo s;
    while (s.size() < frames) {
        const double gain = loudness[pick(rng)];
        const size_t n = std::min(segmentLength(rng), frames - s.size());
        for (size_t i = 0; i < n; i++) {
            const double shared = unit(rng);
            s.left.push_back(gain * (0.7 * shared + 0.3 * unit(rng)));
            s.right.push_back(gain * (0.7 * shared + 0.3 * unit(rng)));
        }
    }
    return s;
}

Stereo drumPattern(uint32_t seed, size_t frames, double sampleRate) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> gap(0.03, 0.7);
    std::uniform_real_distribution<double> gain(0.15, 1.0);
    std::uniform_real_distribution<double> pan(-0.3, 0.3);
    std::uniform_int_distribution<int> drum(0, 2);
    Stereo s;
    s.appendConstant(0.0, 0.0, frames);
    for (size_t at = (size_t)(0.05 * sampleRate); at < frames;
         at += (size_t)(gap(rng) * sampleRate))
        drums::panned::addHit(s.left, s.right, at, (drums::Kind)drum(rng), gain(rng), pan(rng),
                              sampleRate, rng);
    return s;
}

Stereo edgeInputs(uint32_t seed) {
    constexpr double kRate = 44100.0;
    constexpr size_t kDrums = 15000;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double subnormal = (double)std::numeric_limits<float>::denorm_min();
    // Rings in the narrow low bands for minutes afterwards, so it comes last.
    const double nearMax = 3.0e38;
    Stereo s = drumPattern(seed, kDrums, kRate);
    s.appendConstant(nan, 0.5, 300);
    s.append(drumPattern(seed + 1, kDrums, kRate));
    s.appendConstant(inf, -inf, 300);
    s.appendConstant(-inf, nan, 3);
    s.append(drumPattern(seed + 2, kDrums, kRate));
    for (int i = 0; i < 4000; i++)  // subnormal, changing sign
        s.appendConstant((i % 2 ? 1 : -1) * subnormal * (i % 7), subnormal * (i % 5), 1);
    s.append(drumPattern(seed + 3, kDrums, kRate));
    for (int i = 0; i < 8000; i++) {  // full-scale squares near 110 Hz and 441 Hz
        const double l = (i / 200) % 2 ? 1.0 : -1.0;
        const double r = (i / 50) % 2 ? -1.0 : 1.0;
        s.appendConstant(l, r, 1);
    }
    s.appendConstant(1.0, 1.0, 6000);
    s.appendConstant(-0.25, 0.25, 3000);
    s.appendConstant(0.0, 0.0, 20000);
    s.append(drumPattern(seed + 4, 2 * kDrums, kRate));
    for (int i = 0; i < 400; i++) s.appendConstant(i % 3 ? nearMax : -nearMax, nearMax, 1);
    // At band 10's centre the filter's gain of 6 takes its output past the float range.
    for (int i = 0; i < 600; i++) {
        const double phase = 2.0 * kPi * 5120.0 * i / kRate;
        s.appendConstant(1e38 * std::sin(phase), 1e38 * std::cos(phase), 1);
    }
    s.append(drumPattern(seed + 5, kDrums, kRate));
    return s;
}

Stereo roundedToFloat(const Stereo& signal) {
    Stereo s = signal;
    for (double& x : s.left) x = (double)(float)x;
    for (double& x : s.right) x = (double)(float)x;
    return s;
}

}  // namespace reference
