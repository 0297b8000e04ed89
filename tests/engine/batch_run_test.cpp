#include "batch_run.h"
#include "codecs/picture_decoder.h"
#include "fake_host.h"
#include "picture_maker.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class BatchRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("kalvimo-batch-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_ / "src");
        fs::create_directories(root_ / "dst");
        host_.options.sourceFolder = (root_ / "src").string();
        host_.options.destinationFolder = (root_ / "dst").string();
        host_.options.newWidth = 40;
        host_.options.newHeight = 30;
        host_.options.selectedOnly = false;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root_ / "dst", fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }

    // Writes a picture into the source folder and lists it in the source list.
    void AddPicture(const std::string& name, int w = 64, int h = 48) {
        ASSERT_TRUE(gdip_.PictureBoxToFile(test::CoordinatePicture(w, h), Src(name), 85));
        host_.files.push_back({name});
    }
    void AddRawFile(const std::string& name, const std::string& bytes) {
        std::ofstream(Src(name), std::ios::binary) << bytes;
        host_.files.push_back({name});
    }
    std::string Src(const std::string& name) const { return (root_ / "src" / name).string(); }
    std::string Dst(const std::string& name) const { return (root_ / "dst" / name).string(); }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> DestinationNames() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(root_ / "dst")) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path root_;
    cGdiPlus gdip_;
    test::FakeHost host_;
    BatchRun run_{host_, gdip_};
};

TEST_F(BatchRunTest, RunOverEveryFormatWritesFittedPicturesAndReportsEachStep) {
    for (const char* name : {"a.jpg", "b.bmp", "c.gif", "d.png"}) {
        AddPicture(name);
    }
    run_.PressProcess();
    const std::string s = host_.options.destinationFolder + "/";
    const std::vector<std::string> expected = {"caption Stop",
                                               "bar shown",
                                               "progress 0",
                                               "status Processing a.jpg...",
                                               "log Saved file: " + s + "a.jpg",
                                               "status Finished processing a.jpg",
                                               "progress 25",
                                               "status Processing b.bmp...",
                                               "log Saved file: " + s + "b.bmp",
                                               "status Finished processing b.bmp",
                                               "progress 50",
                                               "status Processing c.gif...",
                                               "log Saved file: " + s + "c.gif",
                                               "status Finished processing c.gif",
                                               "progress 75",
                                               "status Processing d.png...",
                                               "log Saved file: " + s + "d.png",
                                               "status Finished processing d.png",
                                               "progress 100",
                                               "bar hidden",
                                               "caption Process",
                                               "refresh",
                                               "message i Picture resize process complete."};
    EXPECT_EQ(host_.events, expected);
    EXPECT_FALSE(run_.running());
    for (const char* name : {"a.jpg", "b.bmp", "c.gif", "d.png"}) {
        Canvas out;
        std::string error;
        ASSERT_TRUE(DecodePictureFile(Dst(name), out, 0, error)) << error;
        EXPECT_EQ(out.Width(), 40);
        EXPECT_EQ(out.Height(), 30);
    }
    // The BMP is lossless: target pixel 1 averages source pixels 1.6 to 3.2 on each axis.
    Canvas bmp;
    std::string error;
    ASSERT_TRUE(DecodePictureFile(Dst("b.bmp"), bmp, 0, error));
    EXPECT_EQ(bmp.Pixel(1, 1), (Rgb{2, 2, 7})); // (0.4 * 1 + 2 + 0.2 * 3) / 1.6
}

TEST_F(BatchRunTest, ProgressRoundsHalvesToEven) {
    for (int i = 0; i < 8; ++i) {
        AddPicture("p" + std::to_string(i) + ".bmp", 8, 8);
    }
    run_.PressProcess();
    EXPECT_THAT(host_.Only("progress"),
                ElementsAre("0", "12", "25", "38", "50", "62", "75", "88", "100"));
}

TEST_F(BatchRunTest, SelectedOnlyWithNothingSelectedEndsAtOnce) {
    AddPicture("a.bmp");
    host_.files[0].selected = false;
    host_.options.selectedOnly = true;
    run_.PressProcess();
    EXPECT_THAT(host_.events,
                ElementsAre("caption Stop", "caption Process",
                            "message ! No images are selected in the Source folder."));
    EXPECT_FALSE(run_.running());

    host_.events.clear();
    AddPicture("b.bmp");
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("b.bmp")));
}

TEST_F(BatchRunTest, StopTakesEffectAfterTheCurrentPicture) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        AddPicture(name);
    }
    // "Stop" is clicked while the second picture is being processed.
    host_.onPump = [&] {
        if (host_.events.back() == "status Processing b.bmp...") {
            run_.PressProcess();
        }
    };
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"),
                ElementsAre("Saved file: " + Dst("a.bmp"), "Saved file: " + Dst("b.bmp")));
    EXPECT_EQ(host_.events.back(), "message i Picture resize process has been aborted.");

    // The next run is not affected by the old request.
    host_.onPump = nullptr;
    host_.events.clear();
    host_.options.overwrite = true;
    run_.PressProcess();
    EXPECT_EQ(host_.Only("log").size(), 3U);
    EXPECT_EQ(host_.events.back(), "message i Picture resize process complete.");
}

TEST_F(BatchRunTest, StopAfterTheLastPictureStillReportsAnAbort) {
    AddPicture("a.bmp");
    host_.onPump = [&] {
        if (host_.events.back() == "status Finished processing a.bmp") {
            run_.PressProcess();
        }
    };
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("a.bmp")));
    EXPECT_THAT(host_.Only("progress"), ElementsAre("0"));
    EXPECT_EQ(host_.events.back(), "message i Picture resize process has been aborted.");
}

TEST_F(BatchRunTest, DryRunWritesNothingAndLogsNothing) {
    AddPicture("a.jpg");
    run_.ProcessFile(host_.options.sourceFolder, "a.jpg", false);
    EXPECT_THAT(host_.events, ElementsAre("status Processing a.jpg...",
                                          "status Finished preview processing a.jpg"));
    EXPECT_TRUE(DestinationNames().empty());
    EXPECT_EQ(run_.picDest().Width(), 40);

    run_.ProcessFile(host_.options.sourceFolder, "", false);
    EXPECT_EQ(host_.events.size(), 2U);
}

TEST_F(BatchRunTest, SecondCallWhileBusyReturnsAtOnce) {
    AddPicture("a.bmp");
    int nested = 0;
    host_.onPump = [&] {
        if (run_.fileBusy() && nested++ == 0) {
            run_.ProcessFile(host_.options.sourceFolder, "a.bmp", false);
        }
    };
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", true);
    EXPECT_THAT(host_.events,
                ElementsAre("status Processing a.bmp...", "log Saved file: " + Dst("a.bmp"),
                            "status Finished processing a.bmp"));
}

TEST_F(BatchRunTest, ClashesFollowOverwriteAutoRenameOrTheAnswer) {
    AddPicture("a.bmp");
    const std::string existing = "not a picture, but ours";
    std::ofstream(Dst("a.bmp"), std::ios::binary) << existing;
    std::ofstream(Dst("aa.bmp"), std::ios::binary) << existing;

    // Auto-rename (the default) takes the first free letter.
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", true);
    EXPECT_THAT(host_.Only("log"),
                ElementsAre("Renamed file: a.bmp to ab.bmp", "Saved file: " + Dst("ab.bmp")));

    // Neither: the user is asked; No keeps the file and skips.
    host_.events.clear();
    host_.options.autoRename = false;
    host_.answers = {MessageAnswer::No};
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", true);
    EXPECT_THAT(host_.events,
                ElementsAre("status Processing a.bmp...",
                            "message ! " + Dst("a.bmp") + " already exists! Overwrite?",
                            "log Skipped file: a.bmp", "status Finished preview processing a.bmp"));
    EXPECT_EQ(Contents(Dst("a.bmp")), existing);

    // Yes replaces it.
    host_.events.clear();
    host_.answers = {MessageAnswer::Yes};
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", true);
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("a.bmp")));
    EXPECT_NE(Contents(Dst("a.bmp")), existing);

    // Overwrite replaces silently, whatever auto-rename says.
    host_.events.clear();
    host_.options.overwrite = true;
    host_.options.autoRename = true;
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", true);
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("a.bmp")));
    EXPECT_EQ(Contents(Dst("aa.bmp")), existing);
    EXPECT_THAT(DestinationNames(), ElementsAre("a.bmp", "aa.bmp", "ab.bmp"));
}

TEST_F(BatchRunTest, CancelledCropPromptSkipsOnlyThatPicture) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        AddPicture(name);
    }
    host_.options.stretch = false;
    host_.options.customCrop = true;
    host_.options.promptCustomCrop = true;
    host_.crop = {0, 0, 40 * 15, 30 * 15};
    host_.cropCancels = {true, false, false};
    run_.PressProcess();
    EXPECT_EQ(host_.cropPrompts, 3);
    EXPECT_THAT(host_.Only("log"), ElementsAre("Skipped file: a.bmp", "Saved file: " + Dst("b.bmp"),
                                               "Saved file: " + Dst("c.bmp")));
    EXPECT_THAT(host_.Only("status"), ::testing::Contains("Skipped a.bmp"));

    // With the dialog already open nothing is asked; its rectangle is used.
    host_.events.clear();
    host_.cropVisible = true;
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", false);
    EXPECT_EQ(host_.cropPrompts, 3);
    EXPECT_EQ(host_.events.back(), "status Finished preview processing a.bmp");
}

TEST_F(BatchRunTest, UnsavableOutputsAreReportedWithTheirPath) {
    // Read by content, but no encoder writes ".txt".
    AddPicture("picture.bmp");
    fs::rename(Src("picture.bmp"), Src("picture.txt"));
    host_.files[0].name = "picture.txt";
    AddPicture("b.bmp");
    host_.options.destinationFolder = (root_ / "dst" / "missing").string();
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Could not save file: " + Dst("missing/picture.txt"),
                                               "Could not save file: " + Dst("missing/b.bmp")));
    EXPECT_THAT(host_.Only("status"), ::testing::Contains("Finished processing b.bmp"));
}

TEST_F(BatchRunTest, BadInputFailsThatPictureOnlyAndLeavesTheDiskAlone) {
    AddRawFile("empty.jpg", "");
    AddRawFile("text.jpg", "This is a text file, not a photograph.\n");
    AddRawFile("truncated.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
    fs::create_directory(Src("folder.jpg"));
    host_.files.push_back({"folder.jpg"});
    host_.files.push_back({"deleted.jpg"});
    AddPicture("good.bmp");
    std::ofstream(Dst("text.jpg"), std::ios::binary) << "keep me";

    run_.PressProcess();
    EXPECT_THAT(
        host_.Only("log"),
        ElementsAre("Error processing file: empty.jpg", "Error processing file: text.jpg",
                    "Error processing file: truncated.jpg", "Error processing file: folder.jpg",
                    "Error processing file: deleted.jpg", "Saved file: " + Dst("good.bmp")));
    EXPECT_THAT(host_.Only("status"), ::testing::Contains("Error processing text.jpg"));
    EXPECT_THAT(DestinationNames(), ElementsAre("good.bmp", "text.jpg"));
    EXPECT_EQ(Contents(Dst("text.jpg")), "keep me");
    EXPECT_FALSE(run_.fileBusy());
}

TEST_F(BatchRunTest, UnreadableFileIsAnError) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    AddPicture("locked.bmp");
    fs::permissions(Src("locked.bmp"), fs::perms::none);
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Error processing file: locked.bmp"));
}

TEST_F(BatchRunTest, ReadOnlyDestinationCannotBeWritten) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    AddPicture("a.bmp");
    fs::permissions(root_ / "dst", fs::perms::owner_read | fs::perms::owner_exec);
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Could not save file: " + Dst("a.bmp")));
}

} // namespace
} // namespace kalvimo
