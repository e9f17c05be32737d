#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shell/float_to_string.h"

namespace {

std::string convert(float value) {
    char text[32];
    memset(text, 'x', sizeof text);
    float2string(value, text, 8);
    for (size_t i = strlen(text) + 1; i < sizeof text; i++) EXPECT_EQ(text[i], 'x');
    return text;
}

TEST(FloatToString, Examples) {
    EXPECT_EQ(convert(1.0f), "1.000000");
    EXPECT_EQ(convert(0.5f), "0.500000");
    EXPECT_EQ(convert(0.123456789f), "0.123456");
    EXPECT_EQ(convert(19.0f), "19.00000");
    EXPECT_EQ(convert(119.0f), "119.0000");
    EXPECT_EQ(convert(-0.5f), "-0.50000");
    EXPECT_EQ(convert(0.0f), "0.000000");
    EXPECT_EQ(convert(33.0f), "33.00000");
    EXPECT_EQ(convert(100.0f), "100.0000");
    EXPECT_EQ(convert((float)(0.5 / 19.0)), "0.026315");
}

TEST(FloatToString, LimitsAndNonNumbers) {
    EXPECT_EQ(convert(99999992.0f), "9999992.");
    EXPECT_EQ(convert(1e8f), "Huge!");
    EXPECT_EQ(convert(-9999999.0f), "-999999.");
    EXPECT_EQ(convert(-1e7f), "Huge!");
    EXPECT_EQ(convert(INFINITY), "Huge!");
    EXPECT_EQ(convert(-INFINITY), "Huge!");
    EXPECT_EQ(convert(NAN), "NaN");
    EXPECT_EQ(convert(12345678.0f), "2345678.");
}

}  // namespace
