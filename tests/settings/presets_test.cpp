#include "presets.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kalvimo {
namespace {

using Entries = std::vector<std::string>;

TEST(PresetFileTest, SplitsAtCrLfAndAtALoneLf) {
    const Entries expected{"VGA : 640x480", "Mine : 800x600", "SVGA : 800x600"};
    EXPECT_EQ(SplitPresetFile("VGA : 640x480\nMine : 800x600\nSVGA : 800x600\n"), expected);
    EXPECT_EQ(SplitPresetFile("VGA : 640x480\r\nMine : 800x600\r\nSVGA : 800x600\r\n"), expected);
    EXPECT_EQ(SplitPresetFile("\xEF\xBB\xBFVGA : 640x480\r\n\r\nMine : 800x600\n\nSVGA : 800x600"),
              expected);
}

TEST(PresetFileTest, KeepsEntriesAsWrittenAndSkipsEmptyPieces) {
    EXPECT_EQ(SplitPresetFile("  Mine : 1x2  \r\n\tTab : 3x4"),
              (Entries{"  Mine : 1x2  ", "\tTab : 3x4"}));
    EXPECT_EQ(SplitPresetFile(""), Entries{});
    EXPECT_EQ(SplitPresetFile("\r\n\n\r\n"), Entries{});
}

TEST(PresetFileTest, AnExistingFileReplacesTheBuiltInList) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("kalvimo_presets_" + std::to_string(::getpid()) + ".txt");
    const Entries builtIn(kBuiltInPresets.begin(), kBuiltInPresets.end());
    EXPECT_EQ(LoadPresetList(file), builtIn);

    std::ofstream(file, std::ios::binary) << "A : 1x1\r\nB : 2x2\r\nC : 3x3\r\n";
    EXPECT_EQ(LoadPresetList(file), (Entries{"A : 1x1", "B : 2x2", "C : 3x3"}));
    std::ofstream(file, std::ios::binary) << "\r\n";
    EXPECT_EQ(LoadPresetList(file), Entries{});
    std::filesystem::remove(file);
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

TEST(ApplyPresetTest, ClampsToTheLimitsWithAMessagePerAxisWidthFirst) {
    const auto apply = [](TargetSize size) {
        return ApplyPreset(size, kWidthLimits, kHeightLimits);
    };

    const PresetOutcome hd = apply(ParsePresetSize("HD 1080 : 1920x1080"));
    EXPECT_EQ(hd.size, (TargetSize{1920, 1080}));
    EXPECT_TRUE(hd.messages.empty());

    const PresetOutcome huge = apply({4000, 3000});
    EXPECT_EQ(huge.size, (TargetSize{2048, 1600}));
    EXPECT_EQ(huge.messages, (std::vector{kPresetWidthAboveMaximum, kPresetHeightAboveMaximum}));

    const PresetOutcome flat = apply({640, 0});
    EXPECT_EQ(flat.size, (TargetSize{640, 1}));
    EXPECT_EQ(flat.messages, std::vector{kPresetHeightBelowMinimum});

    const PresetOutcome tall = apply({100, 2000});
    EXPECT_EQ(tall.size, (TargetSize{100, 1600}));
    EXPECT_EQ(tall.messages, std::vector{kPresetHeightAboveMaximum});

    const PresetOutcome broken = apply(ParsePresetSize("No size"));
    EXPECT_EQ(broken.size, (TargetSize{1, 1}));
    EXPECT_EQ(broken.messages, (std::vector{kPresetWidthBelowMinimum, kPresetHeightBelowMinimum}));
}

TEST(SwapTest, ClampsToTheOtherAxisLimits) {
    const SwapOutcome plain = SwapDimensions({800, 600}, kWidthLimits, kHeightLimits);
    EXPECT_EQ(plain.size, (TargetSize{600, 800}));
    EXPECT_FALSE(plain.adjusted);

    const SwapOutcome wide = SwapDimensions({2048, 1024}, kWidthLimits, kHeightLimits);
    EXPECT_EQ(wide.size, (TargetSize{1024, 1600}));
    EXPECT_TRUE(wide.adjusted);
}

} // namespace
} // namespace kalvimo
