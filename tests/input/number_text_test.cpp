#include "input/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace gaussnet {
namespace {

struct accepted_case {
    std::string text;
    float value;
};

TEST(ParseFloat, AcceptsTheDecimalFormsOfPercentF) {
    const accepted_case cases[] = {
        {"3", 3.0f},    {"-0.25", -0.25f},         {"+1.5e-3", 1.5e-3f},      {".5", 0.5f},      {"5.", 5.0f},
        {"-.5", -0.5f}, {"1E2", 100.0f},           {"2e+3", 2000.0f},         {"007", 7.0f},     {"0.1", 0.1f},
        {"1.1", 1.1f},  {"16777217", 16777216.0f}, {"3.4028235e38", FLT_MAX}, {"1e-40", 1e-40f}, {"1.4e-45", 1.4e-45f},
    };
    for (const auto& c : cases) {
        float value = -99.0f;
        EXPECT_EQ(parse_float(c.text, value), number_status::ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(ParseFloat, RoundsToNearestSinglePrecisionNumber) {
    float value = 0.0f;
    ASSERT_EQ(parse_float("0.1", value), number_status::ok);
    EXPECT_EQ(static_cast<double>(value), 0.100000001490116119384765625);
    ASSERT_EQ(parse_float("1.1", value), number_status::ok);
    EXPECT_EQ(static_cast<double>(value), 1.10000002384185791015625);
    // Halfway between 1 and the next float: ties go to the even neighbour.
    ASSERT_EQ(parse_float("1.000000059604644775390625", value), number_status::ok);
    EXPECT_EQ(value, 1.0f);
}

TEST(ParseFloat, TinyMagnitudesUnderflowToSignedZero) {
    float value = 5.0f;
    ASSERT_EQ(parse_float("1e-50", value), number_status::ok);
    EXPECT_EQ(value, 0.0f);
    EXPECT_FALSE(std::signbit(value));
    ASSERT_EQ(parse_float("-1e-50", value), number_status::ok);
    EXPECT_EQ(value, 0.0f);
    EXPECT_TRUE(std::signbit(value));
    ASSERT_EQ(parse_float("-0", value), number_status::ok);
    EXPECT_TRUE(std::signbit(value));
}

TEST(ParseFloat, RejectsMagnitudesBeyondSinglePrecision) {
    for (const char* text : {"1e39", "-1e39", "3.4028236e38", "1e999999999999"}) {
        float value = 0.0f;
        EXPECT_EQ(parse_float(text, value), number_status::out_of_range) << text;
    }
}

TEST(ParseFloat, RejectsEverythingElse) {
    for (const char* text : {"",
                             "+",
                             "-",
                             ".",
                             "+-1",
                             "-+1",
                             "++1",
                             "--1",
                             "inf",
                             "-inf",
                             "+inf",
                             "infinity",
                             "nan",
                             "NA",
                             "0x1p3",
                             "1e",
                             "1e+",
                             "1.5x",
                             "1,5",
                             ",",
                             "1..2",
                             "e5",
                             "1e5.5",
                             "1.2.3",
                             "1-2",
                             "\xe2\x88\x92"
                             "1"}) {
        float value = 0.0f;
        EXPECT_EQ(parse_float(text, value), number_status::not_a_number) << text;
    }
}

}  // namespace
}  // namespace gaussnet
