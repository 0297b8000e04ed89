#include "batch_settings.h"
#include "gdiplus.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/wait.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::StartsWith;

struct Outcome {
    int status = -1;
    std::vector<std::string> lines; // standard output
    std::string errors;             // standard error
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The command over a source and a destination folder of its own, 80 x 60 by default.
class BatchCommandTest : public test::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        fs::create_directories(root_ / "src");
        fs::create_directories(root_ / "dst");
        Settings("[Options]\nNew width=80\nNew height=60\n");
    }
    void Settings(const std::string& text) const {
        std::ofstream(root_ / "Settings.ini", std::ios::binary)
            << "[Paths]\nLast source=" << Path("src") << "\nLast destination=" << Path("dst")
            << "\n"
            << text;
    }
    void Picture(const std::string& name, int w = 64, int h = 48) const {
        ASSERT_TRUE(
            cGdiPlus().PictureBoxToFile(test::CoordinatePicture(w, h), Path("src/" + name), 90));
    }
    std::string Dst(const std::string& name) const { return Path("dst/" + name); }

    Outcome Run(const std::string& arguments) const {
        const std::string command = std::string(KALVIMO_BATCH_COMMAND) + " --settings " +
                                    Path("Settings.ini") + " " + arguments + " >" +
                                    Path("stdout.txt") + " 2>" + Path("stderr.txt");
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                Lines(test::ReadBytes(Path("stdout.txt"))), test::ReadBytes(Path("stderr.txt"))};
    }
};

TEST_F(BatchCommandTest, VersionHelpAndUsageErrors) {
    EXPECT_EQ(Run("--version").lines, std::vector<std::string>{"kalvimo-batch " KALVIMO_VERSION});
    const Outcome help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.lines.front(), StartsWith("Usage: kalvimo-batch"));
    const std::string beside =
        (fs::path(KALVIMO_BATCH_COMMAND).parent_path() / "Settings.ini").string();
    EXPECT_THAT(help.lines,
                Contains("  --settings FILE  the settings file (default: " + beside + ")"));
    // Misuse exits with 2 and points to the help.
    for (const char* bad : {"--frobnicate", "--jobs 0", "--jobs x", "--jobs", "--memory 15",
                            "--memory 1e3", "a b c", "/no/such/folder"}) {
        const Outcome outcome = Run(bad);
        EXPECT_EQ(outcome.status, 2) << bad;
        EXPECT_TRUE(outcome.lines.empty()) << bad;
        EXPECT_THAT(outcome.errors, ::testing::HasSubstr("Try 'kalvimo-batch --help'.")) << bad;
    }
}

TEST_F(BatchCommandTest, ProcessesMatchingPicturesInNameOrderAndReportsFailures) {
    Picture("b.bmp");
    Picture("A.JPG");
    Picture("c.png"); // not in the filter
    std::ofstream(root_ / "src" / "broken\r.jpg") << "not a picture";
    const Outcome outcome = Run("");
    EXPECT_THAT(outcome.lines,
                ElementsAre("Saved file: " + Dst("A.JPG"), "Saved file: " + Dst("b.bmp"),
                            "Error processing file: broken\\r.jpg"));
    EXPECT_EQ(outcome.status, 1);
    // Why it failed is one line on standard error, the name shown as in the log.
    EXPECT_THAT(outcome.errors,
                ::testing::MatchesRegex("kalvimo-batch: broken\\\\r\\.jpg: [^\n]{4,}\n"));

    // Folders on the command line win over the stored ones; a clash nobody can answer is
    // skipped, and that is no failure.
    fs::remove(root_ / "src" / "broken\r.jpg");
    Settings("[Options]\nNew width=80\nNew height=60\nAuto rename=0\n");
    const std::string before = test::ReadBytes(Dst("b.bmp"));
    const Outcome again = Run((root_ / "src").string() + " " + (root_ / "dst").string());
    EXPECT_THAT(again.lines, ElementsAre("Skipped file: A.JPG", "Skipped file: b.bmp"));
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(test::ReadBytes(Dst("b.bmp")), before);

    // A picture that could not be written is a failure too.
    fs::remove(Dst("A.JPG"));
    fs::create_directory(Dst("A.JPG"));
    Settings("[Options]\nNew width=80\nNew height=60\nOverwrite=1\n");
    const Outcome unsaved = Run((root_ / "src").string() + " " + (root_ / "dst").string());
    EXPECT_THAT(unsaved.lines,
                ElementsAre("Could not save file: " + Dst("A.JPG"), "Saved file: " + Dst("b.bmp")));
    EXPECT_EQ(unsaved.status, 1);
    // A destination that is not there is named, and nothing is written elsewhere.
    const Outcome missing = Run((root_ / "src").string() + " " + Dst("missing"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.lines.empty());
    EXPECT_THAT(missing.errors,
                ::testing::HasSubstr("destination folder not found: '" + Dst("missing") + "'"));
}

TEST_F(BatchCommandTest, AnyNumberOfJobsGivesTheSameFilesAndLog) {
    for (int i = 0; i < 6; ++i) {
        Picture("p" + std::to_string(i) + ".jpg", 300 + 40 * (i % 3), 200 + 90 * (i % 2));
    }
    Picture("same.bmp", 120, 90);
    Picture("tall.png", 90, 160);
    Picture("wide.gif", 200, 70);
    fs::copy(KALVIMO_TEST_DATA "/turned-jpeg-6.jpg", root_ / "src" / "sideways.jpg");
    fs::copy(root_ / "src" / "p0.jpg", root_ / "src" / "p0 copy.jpg");
    std::ofstream(root_ / "src" / "zz.jpg") << "broken";
    // With date names two pictures of the same second clash and are renamed.
    const std::string common = "[Options]\nNew width=120\nNew height=90\nFilter=*.*\nRename=1\n"
                               "Prefix=Hol_\nNo Date Prefix=nd_\nAuto rename=1\nBack colour=255\n"
                               "Stretch=0\nRotate=1\n";
    // One of each fitting, turned to the frame: on any thread a picture is drawn by DrawFrame
    // from the same order.
    const std::string fittings[] = {
        "Stretch=1\n",
        "LetterBox=1\n",
        "AutoCrop=1\nAnchor=8\n",
        "Fill=1\nAnchor=2\n",
        "Fill=1\nAnchor=9\n",
        "CustomCrop=1\n[Custom Cropping]\nLeft=300\nTop=150\nRight=2100\nBottom=1500\n",
    };
    for (const std::string& fitting : fittings) {
        SCOPED_TRACE(fitting);
        Settings(common + fitting);
        std::vector<std::string> logs[2];
        std::map<std::string, std::string> files[2];
        for (const int run : {0, 1}) {
            fs::remove_all(root_ / "dst");
            fs::create_directories(root_ / "dst");
            const Outcome outcome = Run(run == 0 ? "--jobs 1" : "--jobs 4");
            EXPECT_EQ(outcome.status, 1) << run;
            logs[run] = outcome.lines;
            for (const auto& entry : fs::directory_iterator(root_ / "dst")) {
                files[run][entry.path().filename().string()] =
                    test::ReadBytes(entry.path().string());
            }
        }
        EXPECT_THAT(logs[0], Contains(StartsWith("Saved file: ")).Times(11));
        EXPECT_THAT(logs[0], Contains("Error processing file: zz.jpg").Times(1));
        EXPECT_THAT(logs[0], Contains(StartsWith("Renamed file: ")));
        EXPECT_EQ(logs[0], logs[1]);
        EXPECT_EQ(files[0].size(), 11U);
        EXPECT_TRUE(files[0] == files[1]);
    }
}

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
