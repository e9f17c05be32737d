// The band-pass design of the eleven bands, b0 b1 b2 a1 a2 per band: Q 100,
// peak gain 6, for 44.1 kHz at 40 ... 5120 Hz, rounded to six decimals. Band
// 1's a2 is 0.999866 (the design gives 0.999886); the stored values are the
// product's, so detection results depend on exactly these numbers.
#pragma once

#include "engine_constants.h"

constexpr float kBandCoefficients[kNumBands][kNumCoefficients] = {
    {0.000171f, 0.0f, -0.000171f, -1.999911f, 0.999943f},
    {0.000342f, 0.0f, -0.000342f, -1.999756f, 0.999866f},
    {0.000513f, 0.0f, -0.000513f, -1.999537f, 0.999829f},
    {0.000684f, 0.0f, -0.000684f, -1.999253f, 0.999772f},
    {0.001025f, 0.0f, -0.001025f, -1.998489f, 0.999658f},
    {0.001367f, 0.0f, -0.001367f, -1.997467f, 0.999544f},
    {0.002049f, 0.0f, -0.002049f, -1.994643f, 0.999317f},
    {0.002731f, 0.0f, -0.002731f, -1.990785f, 0.999090f},
    {0.005436f, 0.0f, -0.005436f, -1.965052f, 0.998188f},
    {0.010682f, 0.0f, -0.010682f, -1.865108f, 0.996439f},
    {0.019928f, 0.0f, -0.019928f, -1.486095f, 0.993357f},
};
