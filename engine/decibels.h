// Level in dB against full scale, as the velocity measurement and the
// instrument definitions and templates compute it.
#pragma once

#include <cmath>

namespace engine {

constexpr double kFullScale = 1.0;
constexpr double kDbPerDecade = 20.0;

// The quotient and the logarithm are rounded to float before the product;
// the product itself is left for the caller to store (and so to round or not).
inline double decibels(double magnitude) {
    const float ratio = (float)(magnitude / kFullScale);
    return kDbPerDecade * (double)(float)std::log10((double)ratio);
}

}  // namespace engine
