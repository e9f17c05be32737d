// Synthesised kick, snare and hi-hat hits for the demo material, the tests,
// the fuzzer and the benchmark. Deterministic: the same call gives the same samples on
// every machine (our own noise generator, no library randomness).
//
// Tamboro's eleven band filters are very narrow (Q 100), so each drum is made
// of partials at the centres of the bands, which the filters pick up
// strongly, plus differenced noise. The detector recognises a drum from the
// band levels of the single sample in which its level first reaches "High
// Threshold", a few milliseconds into the hit, when only the bands from 480 Hz
// up have had time to respond, while the bands below ring on for up to a
// second. So each drum's identity lies in the upper bands (kick 640 Hz, snare
// 1.3 kHz, hi-hat 2.6 and 5.1 kHz) and its low body is kept soft enough that
// its ringing neither holds the level up between hits nor muddles the next
// hit's fingerprint. Both channels carry the same signal.
//
// Tests that need other properties play the voices beside this file:
// drum_synth_tones.h (each hit triggers exactly once), drum_synth_panned.h
// (noise from the caller's random engine) and drum_synth_any_rate.h (the same
// sound at every sample rate).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace drums {

enum class Kind { Kick, Snare, HiHat };
constexpr int kNumKinds = 3;

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;
    explicit Stereo(int64_t frames = 0) : left((size_t)frames, 0.0f), right((size_t)frames, 0.0f) {}
    int64_t frames() const { return (int64_t)left.size(); }
};

// Length of one hit in samples at sampleRate.
int64_t hitLength(Kind kind, int sampleRate);

// Adds one hit starting at sample start, scaled by gain; the part that would
// fall past the end of the buffer is dropped.
void addHit(Stereo& buffer, Kind kind, int64_t start, float gain, int sampleRate);

constexpr int kDefaultSampleRate = 44100;

struct Hit {
    int64_t start;
    Kind kind;
    float gain = 1.0f;
};

// One channel of `frames` samples holding the hits; hits that overlap add up.
std::vector<float> render(const std::vector<Hit>& hits, int64_t frames,
                          int sampleRate = kDefaultSampleRate);

// A groove: kick, hi-hat, snare, hi-hat, one every `spacing` samples from `first`.
std::vector<Hit> groove(int64_t frames, int64_t spacing, int64_t first = 0);

}  // namespace drums
