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

TEST(PresetSizeTest, BuiltInPresetsGiveTheirSizesWithinTheLimits) {
    const TargetSize expected[] = {
        {320, 240},  {720, 480},  {720, 480},  {768, 576},  {640, 480},   {800, 480},   {800, 600},
        {1024, 600}, {1024, 768}, {1280, 720}, {1280, 960}, {1280, 1024}, {1920, 1080},
    };
    ASSERT_EQ(std::size(expected), kBuiltInPresets.size());
    for (std::size_t i = 0; i < kBuiltInPresets.size(); ++i) {
        const TargetSize size = ParsePresetSize(kBuiltInPresets[i]);
        EXPECT_EQ(size, expected[i]) << kBuiltInPresets[i];
        EXPECT_TRUE(ApplyPreset(size, kWidthLimits, kHeightLimits).messages.empty());
    }
}

TEST(PresetSizeTest, ReadsTheSizeAfterTheSeparator) {
    const std::pair<std::string_view, TargetSize> cases[] = {
        {"My own frame : 800x600", {800, 600}},
        {"Hand written : 800X600", {800, 600}},
        {"Odd : 640x0", {640, 0}},
        {"Fraction : 640.5x480.5", {640, 480}},
        {"Trailing : 800x600 px", {800, 600}},
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
