#include "codecs/picture_decoder.h"
#include "exif_date.h"
#include "exif_maker.h"
#include "phone_pictures.h"
#include "run_fixture.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class BatchRunTest : public test::RunFixture {
protected:
    // The picture written to the destination; empty when it cannot be read.
    Canvas Output(const std::string& name) const {
        Canvas out;
        std::string error;
        EXPECT_TRUE(DecodePictureFile(Dst(name), out, 0, error)) << error;
        return out;
    }
};

TEST_F(BatchRunTest, RunOverEveryFormatWritesFittedPicturesAndReportsEachStep) {
    const std::vector<std::string> names = {"a.jpg", "b.bmp", "c.gif", "d.png"};
    std::vector<std::string> expected = {"caption Stop", "bar shown"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        AddPicture(names[i]);
        expected.insert(expected.end(), {"progress " + std::to_string(25 * i),
                                         "status Processing " + names[i] + "...",
                                         "log Saved file: " + Dst(names[i]),
                                         "status Finished processing " + names[i]});
    }
    expected.insert(expected.end(), {"progress 100", "bar hidden", "caption Process", "refresh",
                                     "message i Picture resize process complete."});
    run_.PressProcess();
    EXPECT_EQ(host_.events, expected);
    EXPECT_FALSE(run_.running());
    for (const std::string& name : names) {
        const Canvas out = Output(name);
        ASSERT_EQ(out.Width(), 40) << name;
        EXPECT_EQ(out.Height(), 30) << name;
    }
    // The BMP is lossless: target pixel 1 averages source pixels 1.6 to 3.2 on each axis.
    EXPECT_EQ(Output("b.bmp").Pixel(1, 1), (Rgb{2, 2, 7})); // (0.4 * 1 + 2 + 0.2 * 3) / 1.6
}

TEST_F(BatchRunTest, PhotosAreWrittenAtQuality85) {
    AddPicture("a.jpg");
    run_.ProcessFile(host_.options.sourceFolder, "a.jpg", true);
    ASSERT_TRUE(gdip_.PictureBoxToFile(run_.picDest(), Path("at85.jpg"), 85));
    EXPECT_EQ(Contents(Dst("a.jpg")), Contents(Path("at85.jpg")));
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

    // Yes replaces it by a new file: a second name of the old one keeps the old bytes.
    fs::create_hard_link(Dst("a.bmp"), Path("old.bmp"));
    host_.events.clear();
    host_.answers = {MessageAnswer::Yes};
    run_.ProcessFile(host_.options.sourceFolder, "a.bmp", true);
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("a.bmp")));
    EXPECT_NE(Contents(Dst("a.bmp")), existing);
    EXPECT_EQ(Contents(Path("old.bmp")), existing);

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

    // The prompt shows the picture as it is cut: a portrait turned for the landscape frame.
    host_.cropVisible = false;
    AddPicture("portrait.bmp", 30, 40);
    run_.ProcessFile(host_.options.sourceFolder, "portrait.bmp", false);
    EXPECT_EQ(host_.cropPrompts, 4);
    EXPECT_EQ(host_.promptedWidth, 40);
    EXPECT_EQ(host_.promptedHeight, 30);
}

TEST_F(BatchRunTest, UnsavableOutputsAreReportedWithTheirPath) {
    // Read by content; no encoder writes ".txt", so it goes to a JPEG.
    AddPicture("picture.bmp");
    fs::rename(Src("picture.bmp"), Src("picture.txt"));
    host_.files[0].name = "picture.txt";
    AddPicture("b.bmp");
    host_.options.destinationFolder = (root_ / "dst" / "missing").string();
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Could not save file: " + Dst("missing/picture.jpg"),
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

TEST_F(BatchRunTest, DamagedPicturesOfEveryFormatFailAlone) {
    // A JPEG whose frame claims 65000 x 65000 pixels, through the letterbox path that shrinks
    // JPEGs while decoding them.
    AddPicture("huge.jpg");
    std::string huge = Contents(Src("huge.jpg"));
    const std::size_t frame = huge.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    for (const std::size_t at : {frame + 5, frame + 7}) {
        huge[at] = '\xFD';
        huge[at + 1] = '\xE8';
    }
    std::ofstream(Src("huge.jpg"), std::ios::binary) << huge;
    // A GIF whose first code after the clear code names an entry not yet defined.
    AddRawFile("lzw.gif", std::string("GIF89a\x04\x00\x04\x00\x80\x00\x00"
                                      "\x00\x00\x00\xFF\xFF\xFF"
                                      ",\x00\x00\x00\x00\x04\x00\x04\x00\x00"
                                      "\x02\x03\x3C\xFF\xFF\x00;",
                                      36));
    // A BMP whose header claims a picture of 2^31 - 1 by 2^31 - 1 pixels.
    std::string bmp = "BM";
    bmp += std::string("\x3A\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00", 12);
    bmp += std::string("\x28\x00\x00\x00\xFF\xFF\xFF\x7F\xFF\xFF\xFF\x7F\x01\x00\x18\x00", 16);
    bmp += std::string(28, '\0');
    AddRawFile("impossible.bmp", bmp);
    // HEIC, WebP and TIFF files cut in half.
    const Canvas picture = test::CoordinatePicture(64, 48);
    test::WriteHeif(Src("made.heic"), picture, {});
    test::WriteWebp(Src("made.webp"), picture, {.lossless = false});
    test::WriteTiff(Src("made.tif"), picture, {});
    for (const char* name : {"half.heic", "half.webp", "half.tif"}) {
        const std::string whole = Contents(Src(std::string("made") + (name + 4)));
        AddRawFile(name, whole.substr(0, whole.size() / 2));
    }
    AddPicture("good.jpg");
    fs::rename(Src("made.heic"), Src("phone.heic"));
    host_.files.push_back({"phone.heic"});
    host_.options.stretch = false;
    host_.options.letterbox = true;
    run_.SetJobs(2);

    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"),
                ElementsAre("Error processing file: huge.jpg", "Error processing file: lzw.gif",
                            "Error processing file: impossible.bmp",
                            "Error processing file: half.heic", "Error processing file: half.webp",
                            "Error processing file: half.tif", "Saved file: " + Dst("good.jpg"),
                            "Saved file: " + Dst("phone.jpg")));
    EXPECT_THAT(DestinationNames(), ElementsAre("good.jpg", "phone.jpg"));
}

TEST_F(BatchRunTest, EventsGoOnWhileAnotherThreadDrawsAPicture) {
    AddPicture("large.bmp", 4000, 3000);
    host_.options.stretch = false;
    host_.options.autoCrop = true;
    run_.SetJobs(2);
    int pumpsWhileDrawn = 0;
    host_.onPump = [&] { pumpsWhileDrawn += run_.fileBusy() ? 1 : 0; };
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("large.bmp")));
    EXPECT_GT(pumpsWhileDrawn, 0);
}

TEST_F(BatchRunTest, UnreadableSourceAndReadOnlyDestinationAreReported) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    AddPicture("locked.bmp");
    fs::permissions(Src("locked.bmp"), fs::perms::none);
    AddPicture("a.bmp");
    fs::permissions(root_ / "dst", fs::perms::owner_read | fs::perms::owner_exec);
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Error processing file: locked.bmp",
                                               "Could not save file: " + Dst("a.bmp")));
}

TEST_F(BatchRunTest, EachPictureReportsItsOutcomeAndTheLastMessageCountsFailures) {
    AddPicture("a.bmp");
    AddPicture("b.bmp");
    std::ofstream(Dst("b.bmp")) << "taken";
    AddRawFile("broken.jpg", "not a picture");
    // Without an extension there is no format to write it in.
    AddPicture("picture.bmp");
    fs::rename(Src("picture.bmp"), Src("picture"));
    host_.files.back().name = "picture";
    run_.PressProcess();
    EXPECT_THAT(host_.outcomes, ElementsAre("a.bmp saved", "b.bmp renamed", "broken.jpg error",
                                            "picture could not save"));
    EXPECT_THAT(host_.reasons, ElementsAre(::testing::HasSubstr("broken.jpg: ")));
    EXPECT_EQ(host_.events.back(), "message i Picture resize process complete. 2 of 4 pictures "
                                   "could not be processed.");

    // Skipping is a choice, not a failure.
    host_.events.clear();
    host_.files.resize(1);
    host_.options.autoRename = false;
    run_.PressProcess();
    EXPECT_EQ(host_.outcomes.back(), "a.bmp skipped");
    EXPECT_EQ(host_.events.back(), "message i Picture resize process complete.");
}

TEST_F(BatchRunTest, ControlCharactersInNamesAreShownEscaped) {
    AddPicture("new\nline.bmp");
    AddPicture("red\x1b[31m.bmp");
    AddPicture("back\\slash.bmp");
    AddRawFile("tab\tbroken.jpg", "x");
    run_.PressProcess();
    EXPECT_THAT(host_.Only("log"), ElementsAre("Saved file: " + Dst("new\\nline.bmp"),
                                               "Saved file: " + Dst("red\\x1b[31m.bmp"),
                                               "Saved file: " + Dst("back\\\\slash.bmp"),
                                               "Error processing file: tab\\tbroken.jpg"));
    EXPECT_THAT(DestinationNames(),
                ElementsAre("back\\slash.bmp", "new\nline.bmp", "red\x1b[31m.bmp"));
    for (const std::string& event : host_.events) {
        EXPECT_EQ(event.find_first_of("\n\x1b\t"), std::string::npos) << event;
    }
}

// A BMP output is lossless, so a 1:1 frame shows where each source pixel went.
TEST_F(BatchRunTest, TurnedPictureKeepsEveryPixel) {
    AddPicture("portrait.bmp", 30, 40);
    run_.ProcessFile(host_.options.sourceFolder, "portrait.bmp", true);
    EXPECT_TRUE(run_.pictureTurned());
    Canvas out = Output("portrait.bmp");
    ASSERT_EQ(out.Width(), 40);
    ASSERT_EQ(out.Height(), 30);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(out.Pixel(x, y), test::CoordinateOf(29 - y, x)) << x << "," << y;
        }
    }

    // A portrait frame turns a landscape picture the same way: anticlockwise.
    host_.options.newWidth = 30;
    host_.options.newHeight = 40;
    host_.options.overwrite = true;
    AddPicture("landscape.bmp", 40, 30);
    run_.ProcessFile(host_.options.sourceFolder, "landscape.bmp", true);
    EXPECT_TRUE(run_.pictureTurned());
    out = Output("landscape.bmp");
    ASSERT_EQ(out.Height(), 40);
    EXPECT_EQ(out.Pixel(0, 0), test::CoordinateOf(39, 0));
    EXPECT_EQ(out.Pixel(29, 0), test::CoordinateOf(39, 29));
    EXPECT_EQ(out.Pixel(0, 39), test::CoordinateOf(0, 0));
    EXPECT_EQ(out.Pixel(29, 39), test::CoordinateOf(0, 29));
}

TEST_F(BatchRunTest, SquareFramesAndAutoRotateOffTurnNothing) {
    AddPicture("portrait.bmp", 30, 40);
    host_.options.overwrite = true;
    host_.options.newWidth = 30;
    run_.ProcessFile(host_.options.sourceFolder, "portrait.bmp", true);
    EXPECT_FALSE(run_.pictureTurned());

    host_.options.newWidth = 40;
    host_.options.autoRotate = false;
    run_.ProcessFile(host_.options.sourceFolder, "portrait.bmp", true);
    EXPECT_FALSE(run_.pictureTurned());
    const Canvas out = Output("portrait.bmp");
    ASSERT_FALSE(out.Empty());
    // Stretched, not turned: the top-left pixel stays where it was.
    EXPECT_EQ(out.Pixel(0, 0).r, 0);
    EXPECT_EQ(out.Pixel(0, 0).g, 0);
}

TEST_F(BatchRunTest, SidewaysPhotoComesOutUprightWithoutItsOrientation) {
    // Stored 30 x 40 with its top on the right: seen as 40 x 30, the landscape frame's shape.
    Canvas stored(30, 40, 0xFFFFFF);
    stored.FillRect(0, 0, 30, 10, 0x0000FF);
    test::WriteJpegWithExif(Src("sideways.jpg"), stored, {{"Exif.Image.Orientation", "6"}});
    host_.files.push_back({"sideways.jpg"});
    run_.PressProcess();
    EXPECT_FALSE(run_.pictureTurned());
    const Canvas out = Output("sideways.jpg");
    ASSERT_EQ(out.Width(), 40);
    // The stored top rows are seen as the right-hand columns.
    EXPECT_GT(out.Pixel(37, 15).r, 200);
    EXPECT_LT(out.Pixel(37, 15).g, 60);
    EXPECT_GT(out.Pixel(5, 15).g, 200);
    EXPECT_EQ(ReadExifOrientation(Dst("sideways.jpg")), 1);
    const std::unique_ptr<Exiv2::Image> written = test::OpenWithMetadata(Dst("sideways.jpg"));
    ASSERT_TRUE(written);
    EXPECT_TRUE(written->exifData().empty());
}

} // namespace
} // namespace kalvimo
