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

inline ChannelPair roundedToFloat(ChannelPair v) {
#if defined(__x86_64__)
    return _mm_cvtps_pd(_mm_cvtpd_ps(v));
#else
    using FloatPair = float __attribute__((vector_size(2 * sizeof(float))));
    return __builtin_convertvector(__builtin_convertvector(v, FloatPair), ChannelPair);
#endif
}

// The channel pair of one band of a group.
inline ChannelPair bandOf(ChannelPair v, int) { return v; }

#if defined(__x86_64__)
// Only ever called from code compiled for 256-bit vectors.
#define TAMBORO_WIDE __attribute__((target("avx")))

TAMBORO_WIDE inline BandPair roundedToFloat(BandPair v) {
    return _mm256_cvtps_pd(_mm256_cvtpd_ps(v));
}

TAMBORO_WIDE inline ChannelPair bandOf(BandPair v, int band) {
    return band == 0 ? _mm256_castpd256_pd128(v) : _mm256_extractf128_pd(v, 1);
}
#endif

}  // namespace engine
