#include "float_to_string.h"

#include <cmath>
#include <cstring>

#include "string_copy.h"

namespace {

constexpr int kDigits = 8;
constexpr double kMaxPositive = 99999999.0;
constexpr double kMaxNegative = 9999999.0;  // one character goes to the sign

}  // namespace

void float2string(float value, char* text, size_t maxLen) {
    double v = value;
    if (std::isnan(v)) {
        copyString(text, "NaN", maxLen);
        return;
    }
    int count = 0;
    bool negative = false;
    if (v < 0) {
        negative = true;
        v = -v;
        count = 1;
        if (v > kMaxNegative) {
            copyString(text, "Huge!", maxLen);
            return;
        }
    } else if (v > kMaxPositive) {
        copyString(text, "Huge!", maxLen);
        return;
    }

    // Integer part, right to left, then the point; room for sign and point.
    char integer[kDigits + 3];
    char* p = integer + sizeof integer - 1;
    *p = '\0';
    *--p = '.';
    count++;
    double integ = std::floor(v);
    *--p = (char)('0' + (int)std::fmod(integ, 10.0));
    integ /= 10.0;
    count++;
    while (integ >= 1.0 && count < kDigits) {
        *--p = (char)('0' + (int)std::fmod(integ, 10.0));
        integ /= 10.0;
        count++;
    }
    if (negative) *--p = '-';
    copyString(text, p, maxLen);
    if (count >= kDigits) return;

    // Fraction digits, right to left.
    int fractionDigits = kDigits - count;
    char fraction[kDigits + 1];
    fraction[fractionDigits] = '\0';
    double m = std::fmod(v, 1.0) * std::pow(10.0, fractionDigits);
    for (int i = fractionDigits - 1; i >= 0; i--) {
        if (m <= 0.0) {
            fraction[i] = '0';
        } else {
            fraction[i] = (char)('0' + (int)std::fmod(m, 10.0));
            m /= 10.0;
        }
    }
    size_t used = strlen(text);
    if (used < maxLen) copyString(text + used, fraction, maxLen - used);
}
