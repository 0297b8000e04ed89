#include "batch_settings.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

class BatchSettingsTest : public test::TempFolderTest {
protected:
    std::string App() const { return Path(""); } // with its closing slash
    BatchSettings Load() const {
        return LoadBatchSettings(root_ / "Settings.ini", LocateFiles({.programFolder = App()}));
    }
};

// The values are the window's defaults, which the settings file test pins and the window's
// test compares with these; the folders are the program's own.
TEST_F(BatchSettingsTest, WithoutAFileTheDefaultsApply) {
    const BatchSettings s = Load();
    EXPECT_EQ(s.options.sourceFolder, App());
    EXPECT_EQ(s.options.destinationFolder, App());
    // Every picture the program reads, so that a folder of phone photographs is not empty.
    EXPECT_EQ(s.options.filterPattern, kFilterPatterns[kFirstStartFilter]);
    EXPECT_TRUE(s.notes.empty());
}

TEST_F(BatchSettingsTest, FileValuesFollowTheWindowsRules) {
    test::WriteBytes(Path("presets.txt"), "Frame : 4000x3000\nSmall : 200x100\n");
    test::WriteBytes(Path("Settings.ini"),
                     "[Paths]\nLast source=" + App() +
                         "\nLast destination=/no/such/folder\n"
                         "[Options]\nPreset=frame : 4000X3000\nNew width=5000\n"
                         "New height=1000\nFilter=*.png\nStretch=1\nAutoCrop=1\n"
                         "LetterBox=0\nAnchor=8\nBack colour=&HFF\nPrefix=  Hol_  \n"
                         "Overwrite=2\n[Custom Cropping]\nRight=1500\n");
    const BatchSettings s = Load();
    EXPECT_EQ(s.options.sourceFolder, App());
    EXPECT_EQ(s.options.destinationFolder, ""); // a folder that is gone is not taken
    // The preset is found without regard to case and clamped; 5000 is out of range and ignored.
    EXPECT_EQ(s.options.newWidth, 2048);
    EXPECT_EQ(s.options.newHeight, 1000);
    ASSERT_EQ(s.notes.size(), 3U);
    EXPECT_EQ(s.notes[2], "\"New width\" 5000 in the settings file is outside 1 to 2048; "
                          "ignored");
    EXPECT_EQ(s.options.filterPattern, "*.png");
    EXPECT_EQ(s.options.fitting, Fitting::AutoCrop); // the later of two set fittings wins
    EXPECT_EQ(s.options.anchor, 8);
    EXPECT_EQ(s.options.backColour, 255U);
    EXPECT_EQ(s.options.prefix, "Hol_");
    EXPECT_TRUE(s.options.overwrite);   // any non-zero value ticks a box
    EXPECT_FALSE(s.options.autoRotate); // missing keys clear boxes
    EXPECT_EQ(s.crop.left, 0);
    EXPECT_EQ(s.crop.right, 1500);
}

TEST_F(BatchSettingsTest, InstalledTheDefaultDestinationIsKeptForTheRunToMake) {
    fs::create_directories(root_ / "Pictures");
    const FileLocations installed =
        LocateFiles({.programFolder = "/usr/bin", .besideProgram = false, .home = root_.string()});
    const BatchSettings s = LoadBatchSettings(installed.settingsPath, installed);
    EXPECT_EQ(s.options.sourceFolder, (root_ / "Pictures/").string());
    EXPECT_EQ(s.options.destinationFolder, (root_ / "Pictures/Kalvimo/").string());
}

} // namespace
} // namespace kalvimo
