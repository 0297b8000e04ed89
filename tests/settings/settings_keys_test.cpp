#include "settings_keys.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

namespace kalvimo {
namespace {

TEST(SettingsKeysTest, WritingEveryDefaultGivesTheWholeFileInOrder) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("kalvimo_settings_" + std::to_string(::getpid()) + ".ini");
    std::filesystem::remove(file);
    const DefaultInputs inputs{"/home/a/Pictures/",
                               "/home/a/Pictures/Kalvimo/",
                               std::string(kBuiltInPresets[0]),
                               800,
                               600,
                               15};
    for (const SettingsKey& key : kSettingsKeys) {
        ASSERT_TRUE(WriteSetting(key, DefaultValue(key, inputs), file));
    }
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    EXPECT_EQ(text.str(), "[Paths]\n"
                          "Last source=/home/a/Pictures/\n"
                          "Last destination=/home/a/Pictures/Kalvimo/\n"
                          "\n"
                          "[Options]\n"
                          "Preset=QVGA : 320x240\n"
                          "New width=320\n"
                          "New height=240\n"
                          "Filter=*.jpg;*.jpeg;*.bmp;*.gif\n"
                          "Rename=0\n"
                          "Suffix=0\n"
                          "Prefix=\n"
                          "No Date Prefix=x_\n"
                          "Stretch=1\n"
                          "LetterBox=0\n"
                          "AutoCrop=0\n"
                          "CustomCrop=0\n"
                          "Custom crop prompt=0\n"
                          "Preview=0\n"
                          "Selected=1\n"
                          "Rotate=1\n"
                          "Overwrite=0\n"
                          "Auto rename=1\n"
                          "Keep information=0\n"
                          "Anchor=4\n"
                          "Back colour=0\n"
                          "\n"
                          "[Custom Cropping]\n"
                          "Left=0\n"
                          "Top=0\n"
                          "Right=4800\n"
                          "Bottom=3600\n"
                          "Restrain=1\n"
                          "Keep proportion=0\n");
    EXPECT_EQ(ReadSetting(keys::kNoDatePrefix, file), "x_");
    std::filesystem::remove(file);
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
