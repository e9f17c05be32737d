// Synthesised kick, snare and hi-hat hits for the demo material, the tests
// and the benchmark. Deterministic: the same call gives the same samples on
// every machine (our own noise generator, no library randomness).
//
// Tamboro's eleven band filters are very narrow (Q 100), so each drum is made
// mostly of partials at the centres of its own bands, which the filters pick
// up strongly: the kick at 40, 74 and 120 Hz, the snare at 160 to 640 Hz plus
// a noise burst, the hi-hat at 1.3, 2.6 and 5.1 kHz plus high noise.
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

}  // namespace drums
