#include "file_locations.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

TEST(FileLocationsTest, BesideTheProgramOrInTheUsersFolders) {
    struct Case {
        bool beside;
        std::string configHome;
        std::string pictures;
        std::string settings;
        std::vector<std::string> presets;
        std::string guide;
        std::string source;
        std::string destination;
    };
    const Case cases[] = {
        {true,
         "/c",
         "/p",
         "/opt/k/Settings.ini",
         {"/opt/k/presets.txt"},
         "/opt/k/user-guide.pdf",
         "/opt/k/",
         "/opt/k/"},
        {false,
         "/c",
         "/p",
         "/c/kalvimo/Settings.ini",
         {"/c/kalvimo/presets.txt", "/usr/share/kalvimo/presets.txt"},
         "/usr/share/doc/kalvimo/user-guide.pdf",
         "/p/",
         "/p/Kalvimo/"},
        // An unset or relative configuration folder means ~/.config.
        {false,
         "",
         "",
         "/home/a/.config/kalvimo/Settings.ini",
         {"/home/a/.config/kalvimo/presets.txt", "/usr/share/kalvimo/presets.txt"},
         "/usr/share/doc/kalvimo/user-guide.pdf",
         "/home/a/Pictures/",
         "/home/a/Pictures/Kalvimo/"},
        {false,
         "conf",
         "",
         "/home/a/.config/kalvimo/Settings.ini",
         {"/home/a/.config/kalvimo/presets.txt", "/usr/share/kalvimo/presets.txt"},
         "/usr/share/doc/kalvimo/user-guide.pdf",
         "/home/a/Pictures/",
         "/home/a/Pictures/Kalvimo/"},
    };
    for (const Case& c : cases) {
        const FileLocations l = LocateFiles({.programFolder = "/opt/k",
                                             .besideProgram = c.beside,
                                             .configHome = c.configHome,
                                             .home = "/home/a",
                                             .picturesFolder = c.pictures,
                                             .dataFolder = "/usr/share/kalvimo",
                                             .docFolder = "/usr/share/doc/kalvimo"});
        SCOPED_TRACE(c.settings);
        EXPECT_EQ(l.settingsPath, c.settings);
        EXPECT_EQ(l.presetsPaths, c.presets);
        EXPECT_EQ(l.guidePath, c.guide);
        EXPECT_EQ(l.defaultSource, c.source);
        EXPECT_EQ(l.defaultDestination, c.destination);
    }
}

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kalvimo-program-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        ::chmod(dir_.c_str(), 0700);
        fs::remove_all(dir_);
    }
    // Makes the folder read-only; false where that does not stop this user writing (root).
    bool MakeReadOnly() const {
        ::chmod(dir_.c_str(), 0500);
        return ::access(dir_.c_str(), W_OK) != 0;
    }
    fs::path dir_;
};

TEST_F(ProgramFolderTest, AWritableFolderKeepsTheFilesBeside) {
    EXPECT_TRUE(KeepsFilesBeside(dir_.string(), "/nonexistent/bin"));
}

// Root can write the folder the package installed the program in; it stays an installed one.
TEST_F(ProgramFolderTest, TheInstalledFolderIsAnInstalledOneEvenWhenWritable) {
    EXPECT_FALSE(KeepsFilesBeside(dir_.string(), (dir_ / ".").string()));
    std::ofstream(dir_ / "Settings.ini") << "[Paths]\n";
    EXPECT_TRUE(KeepsFilesBeside(dir_.string(), dir_.string()));
}

TEST_F(ProgramFolderTest, AReadOnlyFolderIsAnInstalledOne) {
    if (!MakeReadOnly()) {
        GTEST_SKIP() << "permissions do not bind for this user";
    }
    EXPECT_FALSE(KeepsFilesBeside(dir_.string(), "/nonexistent/bin"));
}

TEST_F(ProgramFolderTest, AReadOnlyFolderWithSettingsKeepsThemBeside) {
    std::ofstream(dir_ / "Settings.ini") << "[Paths]\n";
    MakeReadOnly();
    EXPECT_TRUE(KeepsFilesBeside(dir_.string(), "/nonexistent/bin"));
}

TEST_F(ProgramFolderTest, PresetsAreReadFromTheFirstPlaceThatHasThem) {
    const FileLocations l{
        .presetsPaths = {(dir_ / "mine.txt").string(), (dir_ / "shipped.txt").string()}};
    EXPECT_EQ(PresetsFile(l), l.presetsPaths[0]);
    std::ofstream(l.presetsPaths[1]) << "A : 1x1\r\n";
    EXPECT_EQ(PresetsFile(l), l.presetsPaths[1]);
    std::ofstream(l.presetsPaths[0]) << "B : 2x2\r\n";
    EXPECT_EQ(PresetsFile(l), l.presetsPaths[0]);
}

} // namespace
} // namespace kalvimo
