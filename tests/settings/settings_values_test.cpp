#include "settings_values.h"

#include <gtest/gtest.h>
#include <tuple>

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

} // namespace
} // namespace kalvimo
