// The display formatters: cut, never rounded.
#include "parameters/TextFormat.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {
std::string f2s(float value, int limit = 8)
{
    char text[32];
    formatFloat(value, text, limit);
    return text;
}
std::string i2s(int value, int limit = 8)
{
    char text[32];
    formatInteger(value, text, limit);
    return text;
}
std::string db2s(float value, int limit = 8)
{
    char text[32];
    formatDecibels(value, text, limit);
    return text;
}
}  // namespace

TEST(Formatters, FloatToString)
{
    EXPECT_EQ(f2s(0.5f), "0.500000");
    EXPECT_EQ(f2s(3.0762402f), "3.076240");
    EXPECT_EQ(f2s(-6.0206003f), "-6.02060");
    EXPECT_EQ(f2s(0.0f), "0.000000");
    EXPECT_EQ(f2s(0.999999f, 4), "0.99");  // cut, not rounded
    EXPECT_EQ(f2s(1234567.0f), "1234567.");
    EXPECT_EQ(f2s(-123456.0f), "-123456.");
    EXPECT_EQ(f2s(12.5f, 3), "12.");
    EXPECT_EQ(f2s(1e7f), "Huge!");
    EXPECT_EQ(f2s(-std::numeric_limits<float>::infinity()), "-Huge!");
    EXPECT_EQ(f2s(std::numeric_limits<float>::quiet_NaN()), "NaN");
    EXPECT_EQ(f2s(5.0f, 0), "");
}

TEST(Formatters, IntToString)
{
    EXPECT_EQ(i2s(0), "0");
    EXPECT_EQ(i2s(735), "735");
    EXPECT_EQ(i2s(-40), "-40");
    EXPECT_EQ(i2s(99999999), "99999999");
    EXPECT_EQ(i2s(100000000), "Huge!");
    EXPECT_EQ(i2s(100000000, 4), "Huge");
    EXPECT_EQ(i2s(123456, 4), "1234");
    EXPECT_EQ(i2s(std::numeric_limits<int>::min(), 16), "-2147483648");
}

TEST(Formatters, DecibelsToString)
{
    EXPECT_EQ(db2s(0.0f), "-oo");
    EXPECT_EQ(db2s(-1.0f), "-oo");
    EXPECT_EQ(db2s(1.5f, 4), "3.52");
    EXPECT_EQ(db2s(0.5f, 3), "-6.");
    EXPECT_EQ(db2s(0.99f, 4), "-0.0");
    EXPECT_EQ(db2s(1.0f), "0.000000");
}
