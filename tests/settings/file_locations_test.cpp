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

// An installed copy is known by its data beside bin/, under any prefix and though the user can
// write it; any other copy keeps its files beside it where its folder can be written or already
// holds the settings.
TEST_F(ProgramFolderTest, InstalledCopiesFindTheirDataRelativeToThemselves) {
    std::filesystem::create_directories(root_ / "bin");
    std::filesystem::create_directories(root_ / "share/kalvimo");
    const LocationInputs installed = ProcessLocationInputs(Path("bin") + "/");
    EXPECT_FALSE(installed.besideProgram);
    EXPECT_EQ(installed.dataFolder, Path("share/kalvimo"));
    EXPECT_EQ(installed.docFolder, Path("share/doc/kalvimo"));

    const std::string folder = Path("unpacked");
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(ProcessLocationInputs(folder).besideProgram);
    ::chmod(folder.c_str(), 0500);
    // Read-only binds for all but root.
    if (::access(folder.c_str(), W_OK) != 0) {
        const LocationInputs readOnly = ProcessLocationInputs(folder);
        EXPECT_FALSE(readOnly.besideProgram);
        EXPECT_EQ(readOnly.docFolder, folder);
    }
    ::chmod(folder.c_str(), 0700);
    std::ofstream(folder + "/Settings.ini") << "[Paths]\n";
    ::chmod(folder.c_str(), 0500);
    EXPECT_TRUE(ProcessLocationInputs(folder).besideProgram);
    ::chmod(folder.c_str(), 0700);
}

// $XDG_PICTURES_DIR first, then the desktop's user-dirs.dirs, as the desktop writes it.
TEST_F(ProgramFolderTest, PicturesFolderAsTheDesktopNamesIt) {
    EXPECT_EQ(UserPicturesFolder("", Path(""), "/home/a"), "");
    std::ofstream(Path("user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                             "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                             "XDG_PICTURES_DIR=\"$HOME/Bilder \\\"neu\\\"\"\n";
    EXPECT_EQ(UserPicturesFolder("", Path(""), "/home/a"), "/home/a/Bilder \"neu\"");
    EXPECT_EQ(UserPicturesFolder("/home/a/Fotos", Path(""), "/home/a"), "/home/a/Fotos");
    EXPECT_EQ(UserPicturesFolder("$HOME/Fotos", Path(""), "/home/a"), "/home/a/Fotos");
    std::ofstream(Path("user-dirs.dirs")) << "XDG_PICTURES_DIR=\"relative\"\n";
    EXPECT_EQ(UserPicturesFolder("", Path(""), "/home/a"), "");
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
