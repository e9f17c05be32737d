#pragma once

#include <cstddef>

// The parameter display's number format: maxLen characters in all, counting
// the point and a minus sign; integer digits, a point, then as many fraction
// digits as fit, truncated. "Huge!" when the integer part does not fit, "NaN"
// for a value that is not a number.
void float2string(float value, char* text, size_t maxLen);
