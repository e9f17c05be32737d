#include "drum_synth_tones.h"

#include <cmath>

#include "drum_synth_noise.h"

namespace drums::tones {

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

float noise(uint32_t& state) { return (float)xorshift32(state) / 2147483648.0f - 1.0f; }

constexpr double kKickTone = 1102.5, kSnareTone = 2205.0, kHiHatTone = 4410.0;

constexpr double kAttack = 0.003;  // a soft start excites the low bands less

float toneSample(double t, double frequency, double decay) {
    double attack = t < kAttack ? 0.5 - 0.5 * std::cos(kPi * t / kAttack) : 1.0;
    return (float)(attack * std::sin(2.0 * kPi * frequency * t) * std::exp(-t / decay));
}

float kickSample(double t) { return toneSample(t, kKickTone, 0.06); }

float snareSample(double t, uint32_t& state) {
    return toneSample(t, kSnareTone, 0.04) + (float)(0.2 * noise(state) * std::exp(-t / 0.03));
}

float hiHatSample(double t) { return toneSample(t, kHiHatTone, 0.02); }

}  // namespace

std::vector<float> hit(Kind kind, uint32_t seed) {
    std::vector<float> samples(kHitFrames);
    uint32_t state = seed * 2654435761u + 1;
    for (size_t i = 0; i < kHitFrames; i++) {
        double t = (double)i / kRate;
        samples[i] = kind == Kind::Kick    ? kickSample(t)
                     : kind == Kind::Snare ? snareSample(t, state)
                                           : hiHatSample(t);
    }
    return samples;
}

}  // namespace drums::tones
