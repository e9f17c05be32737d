// The two threshold read-outs' texts: a normalized level in decibels.
#pragma once

#include <cstddef>

// 20 log10(value) as "%.3f dB"; "-inf dB" for 0 and below, where the
// logarithm has no finite value.
void highThresholdText(float value, char* text, size_t size);
// The same for a tenth of value: the release level the detector applies.
void lowThresholdText(float value, char* text, size_t size);
