#include "settings_keys.h"
#include "temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace kalvimo {
namespace {

using SettingsFileTest = test::TempFolderTest;

TEST_F(SettingsFileTest, WritingEveryDefaultGivesTheWholeFileInOrder) {
    const auto file = root_ / "Settings.ini";
    const DefaultInputs inputs{"/p/", "/p/Kalvimo/", std::string(kBuiltInPresets[0]), 800, 600, 15};
    for (const SettingsKey& key : kSettingsKeys) {
        ASSERT_TRUE(WriteSetting(key, DefaultValue(key, inputs), file));
    }
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(text.str(),
              "[Paths]\nLast source=/p/\nLast destination=/p/Kalvimo/\n\n[Options]\n"
              "Preset=QVGA : 320x240\nNew width=320\nNew height=240\n"
              "Filter=*.jpg;*.jpeg;*.bmp;*.gif\nRename=0\nSuffix=0\nPrefix=\nNo Date Prefix=x_\n"
              "Stretch=1\nLetterBox=0\nAutoCrop=0\nCustomCrop=0\nCustom crop prompt=0\n"
              "Preview=0\nSelected=1\nRotate=1\nOverwrite=0\nAuto rename=1\nKeep information=0\n"
              "Anchor=4\nBack colour=0\n\n[Custom Cropping]\nLeft=0\nTop=0\nRight=4800\n"
              "Bottom=3600\nRestrain=1\nKeep proportion=0\n");
    EXPECT_EQ(ReadSetting(keys::kNoDatePrefix, file), "x_");
}

TEST(SettingsKeysTest, SizeDefaultsFollowTheFirstPresetClampedOrTheCurrentSize) {
    const DefaultInputs huge{"/", "/", "Huge : 4000x3000", 800, 600, 12};
    EXPECT_EQ(DefaultValue(keys::kNewWidth, huge), "2048");
    EXPECT_EQ(DefaultValue(keys::kNewHeight, huge), "1600");
    EXPECT_EQ(DefaultValue(keys::kCropRight, huge), "24576");
    EXPECT_EQ(DefaultValue(keys::kCropBottom, huge), "19200");

    const DefaultInputs noPresets{"/", "/", "", 1024, 768, 15};
    EXPECT_EQ(DefaultValue(keys::kPreset, noPresets), "");
    EXPECT_EQ(DefaultValue(keys::kNewWidth, noPresets), "1024");
    EXPECT_EQ(DefaultValue(keys::kCropBottom, noPresets), "11520");
}

} // namespace
} // namespace kalvimo
