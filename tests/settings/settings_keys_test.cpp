#include "settings_keys.h"
#include "temp_folder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace kalvimo {
namespace {

using SettingsFileTest = test::TempFolderTest;

TEST_F(SettingsFileTest, WritingTheDefaultsGivesTheWholeFileInOrder) {
    const auto file = root_ / "Settings.ini";
    const DefaultInputs inputs{"/p/", "/p/Kalvimo/", std::string(kBuiltInPresets[0]), 800, 600, 15};
    ASSERT_TRUE(WriteSettings(DefaultSettings(inputs), file));
    EXPECT_EQ(test::ReadBytes(file),
              "[Paths]\nLast source=/p/\nLast destination=/p/Kalvimo/\n\n[Options]\n"
              "Preset=QVGA : 320x240\nNew width=320\nNew height=240\n"
              "Filter=*.jpg;*.jpeg;*.bmp;*.gif\nRename=0\nSuffix=0\nPrefix=\nNo Date Prefix=x_\n"
              "Stretch=1\nLetterBox=0\nAutoCrop=0\nCustomCrop=0\nFill=0\nCustom crop prompt=0\n"
              "Preview=0\nSelected=1\nRotate=1\nOverwrite=0\nAuto rename=1\nKeep information=0\n"
              "Anchor=4\nBack colour=0\n\n[Custom Cropping]\nLeft=0\nTop=0\nRight=4800\n"
              "Bottom=3600\nRestrain=1\nKeep proportion=0\n");
}

// A key that names another key's field, or a kind that reads into the wrong one, writes
// something other than what was read.
TEST_F(SettingsFileTest, EachKeyReadsBackFromItsOwnField) {
    const StoredSettings start = DefaultSettings({"", "", "A : 320x240", 800, 600, 15});
    const std::vector<std::string> presets{"A : 320x240", "B : 320x240"};
    for (const SettingsKey& changed : kSettingsKeys) {
        const std::string own = StoredText(changed, start);
        // A fitting is chosen by setting its key, whichever was chosen before.
        const std::string other = changed.kind == ValueKind::Folder    ? root_.string()
                                  : changed.kind == ValueKind::Preset  ? presets[1]
                                  : changed.kind == ValueKind::Fitting ? "1"
                                  : own == "1"                         ? "0"
                                  : own == "0"                         ? "1"
                                                                       : "7";
        std::vector<std::string> notes;
        const StoredSettings read = ReadSettings(
            [&](const SettingsKey& key) {
                return &key == &changed ? other : StoredText(key, start);
            },
            start, presets, notes);
        EXPECT_EQ(StoredText(changed, read), other) << changed.name;
        EXPECT_TRUE(notes.empty()) << changed.name;
        EXPECT_EQ(std::ranges::count_if(kSettingsKeys,
                                        [&](const SettingsKey& key) {
                                            return key.kind == ValueKind::Fitting &&
                                                   StoredText(key, read) == "1";
                                        }),
                  1)
            << changed.name;
    }
}

TEST(SettingsKeysTest, SizeDefaultsFollowTheFirstPresetClampedOrTheCurrentSize) {
    const StoredSettings huge = DefaultSettings({"/", "/", "Huge : 4000x3000", 800, 600, 12});
    EXPECT_EQ(huge.newWidth, 2048);
    EXPECT_EQ(huge.newHeight, 1600);
    EXPECT_EQ(huge.right, 24576);
    EXPECT_EQ(huge.bottom, 19200);

    const StoredSettings noPresets = DefaultSettings({"/", "/", "", 1024, 768, 15});
    EXPECT_EQ(noPresets.presetText, "");
    EXPECT_EQ(noPresets.newWidth, 1024);
    EXPECT_EQ(noPresets.bottom, 11520);
}

} // namespace
} // namespace kalvimo
