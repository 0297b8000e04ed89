#include "number_reading.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string_view>
#include <utility>

namespace kalvimo {
namespace {

TEST(ReadLeadingNumberTest, ReadsTheLeadingNumber) {
    const std::pair<std::string_view, double> cases[] = {
        {"  12abc", 12},   {"-3.5", -3.5}, {"+7", 7},       {"1e3", 1000},  {"1E-2", 0.01},
        {"2.5e+1", 25},    {".5", 0.5},    {"5.", 5},       {"1.2.3", 1.2}, {"12,5", 12},
        {"1e", 1},         {"1e-", 1},     {"1ex", 1},      {"007", 7},     {"\t42", 42},
        {"&HFF", 255},     {"&hff", 255},  {"&H1G", 1},     {"&O17", 15},   {"&o8", 0},
        {"&H", 0},         {"-&H10", -16}, {"abc", 0},      {"", 0},        {"x12", 0},
        {"--5", 0},        {".", 0},       {"&", 0},        {"e5", 0},      {"1 2 3", 123},
        {"- 1 . 5", -1.5}, {"1 e 2", 100}, {"& H 1 F", 31},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_DOUBLE_EQ(ReadLeadingNumber(text), expected) << '"' << text << '"';
    }
}

TEST(ReadLeadingNumberTest, MagnitudesBeyondDoubleRange) {
    EXPECT_EQ(ReadLeadingNumber("1e400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadLeadingNumber("-1e400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadLeadingNumber("1e-400"), 0.0);
}

TEST(RoundingTest, HalvesGoToTheEvenNeighbour) {
    const std::pair<double, std::int32_t> cases[] = {
        {2.5, 2}, {3.5, 4}, {0.5, 0}, {1.5, 2}, {-2.5, -2}, {-3.5, -4}, {2.49, 2}, {2.51, 3},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(RoundToInt16(value), expected) << value;
        EXPECT_EQ(RoundToInt32(value), expected) << value;
    }
}

TEST(RoundingTest, OutOfRangeSaturates) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RoundToInt16(40000), 32767);
    EXPECT_EQ(RoundToInt16(32767.5), 32767);
    EXPECT_EQ(RoundToInt16(-40000), -32768);
    EXPECT_EQ(RoundToInt32(1e10), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToInt32(-kInfinity), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(RoundToInt32(kInfinity), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(RoundToInt32(std::nan("")), 0);
}

} // namespace
} // namespace kalvimo
