#include "presets.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace kalvimo {
namespace {

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
