// The vectors the filter bank computes in: the left and right channel of a
// band side by side, and on processors with 256-bit vectors two bands at
// once. Every lane follows the same operations as a single filter's step.
//
// Rounding to float and back is written with the processor's conversions on
// x86: the compilers' generic vector conversions take several instructions
// for each of them there.
#pragma once

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace engine {

// Left in lane 0, right in lane 1.
using ChannelPair = double __attribute__((vector_size(2 * sizeof(double))));
// Lanes 0 and 1 the first band's left and right, 2 and 3 the second band's.
using BandPair = double __attribute__((vector_size(4 * sizeof(double))));

// Each lane rounded to float and widened again, in place.
inline void roundToFloat(ChannelPair& v) {
#if defined(__x86_64__)
    v = _mm_cvtps_pd(_mm_cvtpd_ps(v));
#else
    using FloatPair = float __attribute__((vector_size(2 * sizeof(float))));
    v = __builtin_convertvector(__builtin_convertvector(v, FloatPair), ChannelPair);
#endif
}

// Adds a group's channel pairs to the channels' sums, band by band.
inline void addBands(ChannelPair& sum, const ChannelPair& bands) { sum += bands; }

#if defined(__x86_64__)
// Only ever run inside code compiled for 256-bit vectors. The vectors are
// passed by reference: compilers pass them by value differently with and
// without those instructions.
#define TAMBORO_WIDE __attribute__((target("avx")))

TAMBORO_WIDE inline void roundToFloat(BandPair& v) { v = _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }

TAMBORO_WIDE inline void addBands(ChannelPair& sum, const BandPair& bands) {
    sum += _mm256_castpd256_pd128(bands);
    sum += _mm256_extractf128_pd(bands, 1);
}
#endif

}  // namespace engine
