#include "file_locations.h"
#include "temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kalvimo {
namespace {

TEST(FileLocationsTest, BesideTheProgramOrInTheUsersFolders) {
    const auto locate = [](bool beside, const std::string& configHome,
                           const std::string& pictures) {
        return LocateFiles({.programFolder = "/opt/k",
                            .besideProgram = beside,
                            .configHome = configHome,
                            .home = "/home/a",
                            .picturesFolder = pictures,
                            .dataFolder = "/usr/share/kalvimo",
                            .docFolder = "/usr/share/doc/kalvimo"});
    };
    const auto expect = [](const FileLocations& l, const std::string& settings,
                           const std::vector<std::string>& presets, const std::string& guide,
                           const std::string& source, const std::string& destination) {
        EXPECT_EQ(l.settingsPath, settings);
        EXPECT_EQ(l.presetsPaths, presets);
        EXPECT_EQ(l.guidePath, guide);
        EXPECT_EQ(l.defaultSource, source);
        EXPECT_EQ(l.defaultDestination, destination);
    };
    const std::string guide = "/usr/share/doc/kalvimo/user-guide.pdf";
    const std::string shipped = "/usr/share/kalvimo/presets.txt";
    expect(locate(true, "/c", "/p"), "/opt/k/Settings.ini", {"/opt/k/presets.txt"},
           "/opt/k/user-guide.pdf", "/opt/k/", "/opt/k/");
    expect(locate(false, "/c", "/p"), "/c/kalvimo/Settings.ini",
           {"/c/kalvimo/presets.txt", shipped}, guide, "/p/", "/p/Kalvimo/");
    // An unset or relative configuration folder means ~/.config.
    for (const char* configHome : {"", "conf"}) {
        SCOPED_TRACE(configHome);
        expect(locate(false, configHome, ""), "/home/a/.config/kalvimo/Settings.ini",
               {"/home/a/.config/kalvimo/presets.txt", shipped}, guide, "/home/a/Pictures/",
               "/home/a/Pictures/Kalvimo/");
    }
}

using ProgramFolderTest = test::TempFolderTest;

// Files stay beside the program where its folder can be written or already holds the settings;
// the folder the package installed it in (root can write it) is an installed one all the same.
TEST_F(ProgramFolderTest, WhereTheProgramFolderKeepsTheFiles) {
    const std::string folder = root_.string();
    EXPECT_TRUE(KeepsFilesBeside(folder, "/nonexistent/bin"));
    EXPECT_FALSE(KeepsFilesBeside(folder, (root_ / ".").string()));
    ::chmod(folder.c_str(), 0500);
    // Read-only binds for all but root.
    if (::access(folder.c_str(), W_OK) != 0) {
        EXPECT_FALSE(KeepsFilesBeside(folder, "/nonexistent/bin"));
    }
    ::chmod(folder.c_str(), 0700);
    std::ofstream(root_ / "Settings.ini") << "[Paths]\n";
    EXPECT_TRUE(KeepsFilesBeside(folder, folder));
    ::chmod(folder.c_str(), 0500);
    EXPECT_TRUE(KeepsFilesBeside(folder, "/nonexistent/bin"));
    ::chmod(folder.c_str(), 0700);
}

TEST_F(ProgramFolderTest, PresetsAreReadFromTheFirstPlaceThatHasThem) {
    const FileLocations l{.presetsPaths = {Path("mine.txt"), Path("shipped.txt")}};
    EXPECT_EQ(PresetsFile(l), l.presetsPaths[0]);
    std::ofstream(l.presetsPaths[1]) << "A : 1x1\r\n";
    EXPECT_EQ(PresetsFile(l), l.presetsPaths[1]);
    std::ofstream(l.presetsPaths[0]) << "B : 2x2\r\n";
    EXPECT_EQ(PresetsFile(l), l.presetsPaths[0]);
}

} // namespace
} // namespace kalvimo
