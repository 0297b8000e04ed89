#include "number_reading.h"
#include "presets.h"
#include "settings_values.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace kalvimo {
namespace {

TEST(SettingsValuesTest, StoredTextBecomesTheControlsState) {
    // Text: ticked, anchor, colour.
    const std::tuple<const char*, bool, std::int16_t, std::uint32_t> cases[] = {
        {"", false, 0, 0},
        {"1", true, 1, 1},
        {"0", false, 0, 0},
        {"2", true, 2, 2},
        {"-1", true, 4, 0xFFFFFFFF},
        {"0.5", false, 0, 0}, // halves go to the even neighbour
        {"1.5", true, 2, 2},
        {"9", true, 9, 9},
        {"10", true, 4, 10},
        {"99999999999", true, 4, 0x7FFFFFFF},
        {"&HFF8000", true, 4, 0xFF8000},
        {"yes", false, 0, 0},
        {" 8 ", true, 8, 8},
    };
    for (const auto& [text, checked, anchor, colour] : cases) {
        EXPECT_EQ(ReadCheckValue(text), checked) << text;
        EXPECT_EQ(ReadAnchorValue(text), anchor) << text;
        EXPECT_EQ(ReadColourValue(text), colour) << text;
    }
    EXPECT_EQ(ReadColourValue(ColourText(0x8000000F)), 0x8000000Fu);
    EXPECT_EQ(ColourText(0xFF8000), "16744448");
}

TEST(SettingsValuesTest, ListTextIsFoundWithoutRegardToCase) {
    const std::vector<std::string> entries{"VGA : 640x480", "vga : 640X480", "PAL : 768x576"};
    EXPECT_EQ(FindTextIgnoringCase(entries, "vga : 640X480"), 0u);
    EXPECT_EQ(FindTextIgnoringCase(entries, "pal : 768x576"), 2u);
    EXPECT_EQ(FindTextIgnoringCase(entries, "PAL : 768x57"), std::nullopt);
    EXPECT_EQ(FindTextIgnoringCase(entries, ""), std::nullopt);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(ReadLeadingNumberTest, ReadsTheLeadingNumber) {
    const std::pair<std::string_view, double> cases[] = {
        {"  12abc", 12},   {"-3.5", -3.5}, {"+7", 7},       {"1e3", 1000},  {"1E-2", 0.01},
        {"2.5e+1", 25},    {".5", 0.5},    {"5.", 5},       {"1.2.3", 1.2}, {"12,5", 12},
        {"1e", 1},         {"1e-", 1},     {"1ex", 1},      {"007", 7},     {"\t42", 42},
        {"&HFF", 255},     {"&hff", 255},  {"&H1G", 1},     {"&O17", 15},   {"&o8", 0},
        {"&H", 0},         {"-&H10", -16}, {"abc", 0},      {"", 0},        {"x12", 0},
        {"--5", 0},        {".", 0},       {"&", 0},        {"e5", 0},      {"1 2 3", 123},
        {"- 1 . 5", -1.5}, {"1 e 2", 100}, {"& H 1 F", 31}, {"1e-400", 0},  {"1e400", kInf},
        {"-1e400", -kInf},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_DOUBLE_EQ(ReadLeadingNumber(text), expected) << '"' << text << '"';
    }
}

TEST(RoundingTest, HalvesGoToTheEvenNeighbourAndOutOfRangeSaturates) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    // The value, to 16 bits, to 32 bits.
    using Row = std::tuple<double, std::int16_t, std::int32_t>;
    const Row halves[] = {
        {2.5, 2, 2},    {3.5, 4, 4},    {0.5, 0, 0},  {1.5, 2, 2},
        {-2.5, -2, -2}, {-3.5, -4, -4}, {2.49, 2, 2}, {2.51, 3, 3},
    };
    const Row saturated[] = {
        {40000, 32767, 40000}, {-40000, -32768, -40000}, {32767.5, 32767, 32768},
        {1e10, 32767, kMax},   {-kInf, -32768, kMin},    {kInf, 32767, kMax},
        {std::nan(""), 0, 0},
    };
    for (const auto table : {std::span<const Row>(halves), std::span<const Row>(saturated)}) {
        for (const auto& [value, to16, to32] : table) {
            EXPECT_EQ(RoundToInt16(value), to16) << value;
            EXPECT_EQ(RoundToInt32(value), to32) << value;
        }
    }
}

using Entries = std::vector<std::string>;

// A hand-edited presets.txt: any line ends, a byte-order mark, blank lines, blanks kept.
TEST(PresetFileTest, SplitsAtAnyLineEndAndSkipsEmptyPieces) {
    const Entries pqr{"P : 1x1", "Q : 2x2", "R : 3x3"};
    const std::pair<std::string_view, Entries> cases[] = {
        {"P : 1x1\nQ : 2x2\nR : 3x3\n", pqr},
        {"P : 1x1\r\nQ : 2x2\r\nR : 3x3\r\n", pqr},
        {"\xEF\xBB\xBFP : 1x1\r\n\r\nQ : 2x2\n\nR : 3x3", pqr},
        {"P : 1x1\n\r\nQ : 2x2\r\n\nR : 3x3", pqr},
        {"  Mine : 1x2  \r\n\tTab : 3x4", {"  Mine : 1x2  ", "\tTab : 3x4"}},
        {"", {}},
        {"\r\n\n\r\n", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(SplitPresetFile(text), expected) << text;
    }
}

// No built-in preset needs clamping, so choosing one never raises a message.
TEST(PresetSizeTest, BuiltInPresetsAreWithinTheLimits) {
    for (const std::string_view entry : kBuiltInPresets) {
        EXPECT_TRUE(
            ApplyPreset(ParsePresetSize(entry), kWidthLimits, kHeightLimits).messages.empty())
            << entry;
    }
}

TEST(PresetSizeTest, ReadsTheSizeAfterTheSeparator) {
    const std::pair<std::string_view, TargetSize> cases[] = {
        {"My own frame : 800x600", {800, 600}},
        {"Hand written : 800X600", {800, 600}},
        {"HD 720 : 1280x720", {1280, 720}},
        {"Fraction : 640.5x480.5", {640, 480}},
        {"Trailing : 800x600 px", {800, 600}},
        {"Odd : 640x0", {640, 0}},
        {"No size", {0, 0}},
        {"NoBlanks:800x600", {0, 0}},
        {"No x : 800", {0, 0}},
        {"Words : wide x tall", {0, 0}},
    };
    for (const auto& [entry, expected] : cases) {
        EXPECT_EQ(ParsePresetSize(entry), expected) << entry;
    }
}

} // namespace
} // namespace kalvimo
