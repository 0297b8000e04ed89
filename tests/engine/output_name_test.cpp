#include "exif_date.h"
#include "output_name.h"
#include "run_fixture.h"

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>

namespace kalvimo {
namespace {

using ::testing::ElementsAre;

class OutputNameTest : public test::RunFixture {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        RunFixture::SetUp();
        host_.options.renameWithDate = true;
        host_.options.prefix = "Hol_";
    }
    // A JPEG taken at 2008:02:20 16:07:33.
    void AddDated(const std::string& name) { AddData("exif-datetime.jpg", name); }
};

// What the file system reports as the file's creation, read here without the code under test.
std::string ExpectedFileStamp(const std::string& path) {
    struct statx info {};
    EXPECT_EQ(::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info), 0);
    const std::time_t t = static_cast<std::time_t>(
        (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec);
    std::tm utc{};
    ::gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &utc);
    return text;
}

TEST_F(OutputNameTest, NamingExamplesThroughRealRuns) {
    AddDated("IMG_0001.JPG");
    EXPECT_THAT(Run(), ElementsAre(Saved("Hol_20080220_160733.JPG")));
    host_.options.suffixExisting = true;
    EXPECT_THAT(Run(), ElementsAre(Saved("Hol_20080220_160733_IMG_0001.JPG")));
    // Without an extension the name ends in a lone dot, for which no encoder is known.
    host_.options.suffixExisting = false;
    std::filesystem::rename(Src("IMG_0001.JPG"), Src("README"));
    host_.files[0].name = "README";
    EXPECT_THAT(Run(), ElementsAre("Could not save file: " + Dst("Hol_20080220_160733.")));

    // Without an EXIF date the file's creation time takes its place, after noDatePrefix; the
    // time of a file that is not there fails.
    host_.files.clear();
    AddPicture("IMG_0002.JPG");
    // 2009-05-01 08:03:09 UTC: stands in for the creation where none is recorded.
    const timespec times[2] = {{1241164989, 0}, {1241164989, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Src("IMG_0002.JPG").c_str(), times, 0), 0);
    const std::string created = ExpectedFileStamp(Src("IMG_0002.JPG"));
    EXPECT_EQ(FileDateStamp(Src("IMG_0002.JPG")), created);
    EXPECT_FALSE(FileDateStamp(Src("vanished.jpg")));
    host_.options.noDatePrefix = "X";
    EXPECT_THAT(Run(), ElementsAre(Saved("Hol_X" + created + ".JPG")));
    host_.options.suffixExisting = true;
    host_.options.noDatePrefix = "";
    EXPECT_THAT(Run(), ElementsAre(Saved("Hol_" + created + "_IMG_0002.JPG")));
}

TEST_F(OutputNameTest, PicturesOfTheSameSecondMeetTheClashRules) {
    for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
        AddDated(name);
    }
    EXPECT_THAT(Run(), ElementsAre(Saved("Hol_20080220_160733.JPG"),
                                   "Renamed file: IMG_0002.JPG to Hol_20080220_160733a.JPG",
                                   Saved("Hol_20080220_160733a.JPG"),
                                   "Renamed file: IMG_0003.JPG to Hol_20080220_160733b.JPG",
                                   Saved("Hol_20080220_160733b.JPG")));
    // The third meets a picture of this run and is asked about it too.
    host_.options.autoRename = false;
    host_.answers = {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::No};
    EXPECT_THAT(Run(), ElementsAre("Skipped file: IMG_0001.JPG", Saved("Hol_20080220_160733.JPG"),
                                   "Skipped file: IMG_0003.JPG"));
    EXPECT_EQ(DestinationNames().size(), 3U);
}

// Phone, web and scanner formats carry the date in their own metadata, and are written as JPEG.
TEST_F(OutputNameTest, OtherFormatsAreDatedFromTheirOwnMetadataAndWrittenAsJpeg) {
    const std::pair<const char*, const char*> cases[] = {{"IMG_0001.HEIC", "exif-dated.heic"},
                                                         {"IMG_0002.avif", "exif-dated.avif"},
                                                         {"IMG_0003.webp", "exif-dated.webp"},
                                                         {"IMG_0004.tiff", "exif-dated.tif"}};
    host_.options.suffixExisting = true;
    for (const auto& [name, file] : cases) {
        SCOPED_TRACE(name);
        host_.files.clear();
        AddData(file, name);
        const std::string written = "Hol_20080220_160733_" + std::string(name, 8) + ".jpg";
        EXPECT_THAT(Run(), ElementsAre(Saved(written)));
        EXPECT_EQ(test::ReadBytes(Dst(written)).substr(0, 3), "\xFF\xD8\xFF");
    }
}

// Against an older IMG.jpg in the destination, or one of the run ("run") by that name; an older
// IMGa.jpg is there too, so that auto-rename must look for the first free letter, and may replace
// it only when overwriting.
TEST_F(OutputNameTest, JpegNamesOfOtherFormatsMeetTheClashRules) {
    host_.options.renameWithDate = false;
    const std::string saved = Saved("IMG.jpg");
    const auto renamed = [](const std::string& name) {
        return "Renamed file: IMG.heic to " + name;
    };
    const struct {
        const char* rules;
        bool overwrite, autoRename;
        std::deque<MessageAnswer> answers;
        bool jpegOfTheRun;
        std::vector<std::string> log;
        bool replaced; // the older IMG.jpg
    } cases[] = {
        // Overwriting replaces silently, whatever auto-rename says.
        {"overwrite", true, true, {}, false, {saved}, true},
        {"auto-rename", false, true, {}, false, {renamed("IMGb.jpg"), Saved("IMGb.jpg")}, false},
        {"asked, no", false, false, {MessageAnswer::No}, false, {"Skipped file: IMG.heic"}, false},
        {"asked, yes", false, false, {MessageAnswer::Yes}, false, {saved}, true},
        {"run", true, true, {}, true, {saved, renamed("IMGa.jpg"), Saved("IMGa.jpg")}, false},
    };
    AddData("phone.heic", "IMG.heic");
    AddPicture("IMG.jpg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rules);
        std::filesystem::remove_all(root_ / "dst");
        std::filesystem::create_directories(root_ / "dst");
        std::filesystem::remove(Path("old.jpg"));
        test::WriteBytes(Dst("IMGa.jpg"), "older");
        host_.files = {{"IMG.heic"}};
        if (c.jpegOfTheRun) {
            host_.files.insert(host_.files.begin(), {"IMG.jpg"});
        } else {
            test::WriteBytes(Dst("IMG.jpg"), "older");
            // A second name of the older file: a replacement is a new file, never written into it.
            std::filesystem::create_hard_link(Dst("IMG.jpg"), Path("old.jpg"));
        }
        host_.options.overwrite = c.overwrite;
        host_.options.autoRename = c.autoRename;
        host_.answers = c.answers;
        EXPECT_EQ(Run(), c.log);
        // A picture the user chose not to write is finished as a preview.
        const bool kept = c.answers == std::deque{MessageAnswer::No};
        EXPECT_EQ(host_.Only("status").back(),
                  std::string(kept ? "Finished preview" : "Finished") + " processing IMG.heic");
        if (!c.answers.empty()) {
            EXPECT_THAT(host_.Only("message"),
                        ::testing::Contains("! " + Dst("IMG.jpg") + " already exists! Overwrite?"));
        }
        if (!c.jpegOfTheRun) {
            EXPECT_EQ(test::ReadBytes(Path("old.jpg")), "older");
            EXPECT_EQ(test::ReadBytes(Dst("IMG.jpg")) != "older", c.replaced);
        }
    }
}

using ExifDateTest = test::TempFolderTest;

// Dates of each kind, hand-made blocks of every malformation and pictures without any are files
// under tests/data.
TEST_F(ExifDateTest, FilesWithoutUsableMetadataGiveNoDate) {
    test::WriteBytes(Path("text.jpg"), "not a picture");
    test::WriteBytes(Path("empty.jpg"), "");
    std::filesystem::create_directory(Path("folder.jpg"));
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    for (const char* name : {"text.jpg", "empty.jpg", "folder.jpg", "pipe.jpg", "missing.jpg"}) {
        EXPECT_EQ(ReadExifDate(Path(name)), "") << name;
        EXPECT_EQ(ReadExifOrientation(Path(name)), 1) << name;
    }
}

} // namespace
} // namespace kalvimo
