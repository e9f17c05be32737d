#include "threshold_text.h"

#include <cmath>
#include <cstdio>

#include "shell/product_facts.h"

namespace {

constexpr double kDecibelsPerDecade = 20.0;
constexpr double kReferenceLevel = 1.0;
// The detector releases at a tenth of the stored "Low Threshold".
constexpr float kLowThresholdScale = plugin_info::kReleaseFactor;

void decibelText(float value, char* text, size_t size) {
    if (value <= 0.0f) {
        std::snprintf(text, size, "-inf dB");
        return;
    }
    float logarithm = (float)std::log10((double)value);
    std::snprintf(text, size, "%.3f dB", logarithm * kDecibelsPerDecade / kReferenceLevel);
}

}  // namespace

void highThresholdText(float value, char* text, size_t size) { decibelText(value, text, size); }

void lowThresholdText(float value, char* text, size_t size) {
    decibelText(value * kLowThresholdScale, text, size);
}
