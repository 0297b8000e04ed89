#include "codecs/picture_decoder.h"
#include "gdiplus.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace kalvimo::test {

// What each fsync of the engine saw: the synced file's bytes and the target's at that moment.
struct SyncWatch {
    std::string target;
    std::vector<std::string> synced;
    std::vector<std::string> targetAtSync;
};
SyncWatch* gSyncWatch = nullptr;

} // namespace kalvimo::test

// The engine's calls land here, in front of the C library's.
extern "C" int fsync(int fd) {
    if (kalvimo::test::SyncWatch* watch = kalvimo::test::gSyncWatch) {
        watch->synced.push_back(kalvimo::test::ReadBytes("/proc/self/fd/" + std::to_string(fd)));
        watch->targetAtSync.push_back(kalvimo::test::ReadBytes(watch->target));
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;

// Which extensions write what, and which none, is told by SaveTest; names of several dots or none
// by the batch's clash and naming tests.
TEST(cGdiPlus, NamesItsErrorsAndTakesNoExtensionFromAFolder) {
    EXPECT_EQ(cGdiPlus::GetExtension("/out.d/README"), "");
    // The texts its errors are logged with.
    EXPECT_EQ(cGdiPlus::GdiErrorString(1), "Generic Error");
    EXPECT_EQ(cGdiPlus::GdiErrorString(7), "Win32 Error");
    EXPECT_EQ(cGdiPlus::GdiErrorString(12), "Access Denied");
    EXPECT_EQ(cGdiPlus::GdiErrorString(20), "Property Not Supported");
    for (const int outside : {0, 21, -1}) {
        EXPECT_EQ(cGdiPlus::GdiErrorString(outside), "Unknown GDI+ Error");
    }
}

class SaveTest : public test::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        gdip_.Error = [this](std::int32_t status, const std::string& text) {
            errors_.push_back(std::to_string(status) + " " + text);
        };
    }
    cGdiPlus gdip_;
    std::vector<std::string> errors_;
};

TEST_F(SaveTest, WritesTheFormatTheNameAsksForAtTheQualityAskedFor) {
    const Canvas picture(16, 8, PackColour({10, 200, 30}));
    const std::pair<const char*, std::string> kinds[] = {
        {"a.JPG", "\xFF\xD8"}, {"b.jpeg", "\xFF\xD8"}, {"c.jfif", "\xFF\xD8"},
        {"d.JPE", "\xFF\xD8"}, {"e.bmp", "BM"},        {"f.dib", "BM"},
        {"g.RLE", "BM"},       {"h.GIF", "GIF8"},      {"i.png", "\x89PNG"}};
    for (const auto& [name, magic] : kinds) {
        ASSERT_TRUE(gdip_.PictureBoxToFile(picture, Path(name), 85)) << name;
        Canvas back;
        std::string error;
        ASSERT_TRUE(DecodePictureFile(Path(name), back, 0, error)) << error;
        EXPECT_EQ(std::pair(back.Width(), back.Height()), std::pair(16, 8));
        EXPECT_EQ(ReadBytes(Path(name)).substr(0, magic.size()), magic) << name;
    }
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(test::FolderNames(root_).size(), 9U); // no temporary file left behind
    // Sources of any other extension are written as ".jpg"; a writer added changes which.
    EXPECT_EQ(gdip_.Extensions(),
              (std::vector<std::string>{"*.BMP", "*.DIB", "*.GIF", "*.JFIF", "*.JPE", "*.JPEG",
                                        "*.JPG", "*.PNG", "*.RLE"}));

    const Canvas detailed = test::CoordinatePicture(64, 64);
    ASSERT_TRUE(gdip_.PictureBoxToFile(detailed, Path("low.jpg"), 10));
    ASSERT_TRUE(gdip_.PictureBoxToFile(detailed, Path("high.jpg"), 95));
    EXPECT_LT(fs::file_size(Path("low.jpg")), fs::file_size(Path("high.jpg")));
}

TEST_F(SaveTest, RefusalsLeaveTheOldFileAndNoLitter) {
    test::WriteBytes(Path("old.jpg"), "precious");
    const Canvas picture(4, 4, 0);
    // No encoder: false without an event.
    EXPECT_FALSE(gdip_.PictureBoxToFile(picture, Path("x.tif")));
    EXPECT_FALSE(gdip_.PictureBoxToFile(picture, Path("noextension")));
    EXPECT_TRUE(errors_.empty());
    // An empty canvas cannot be encoded: the existing file survives.
    EXPECT_FALSE(gdip_.PictureBoxToFile(Canvas(), Path("old.jpg"), 85));
    EXPECT_FALSE(gdip_.PictureBoxToFile(picture, Path("missing/a.jpg"), 85));
    EXPECT_EQ(errors_, (std::vector<std::string>{"2 Invalid Parameter", "10 File Not Found"}));
    EXPECT_EQ(ReadBytes(Path("old.jpg")), "precious");
    EXPECT_EQ(test::FolderNames(root_), std::vector<std::string>{"old.jpg"});
}

TEST_F(SaveTest, AReplacementIsWholeAndOnDiskBeforeItTakesTheOldName) {
    test::SyncWatch watch{Path("pic.bmp"), {}, {}};
    test::gSyncWatch = &watch;
    // A new name replaces nothing and needs no wait.
    ASSERT_TRUE(gdip_.PictureBoxToFile(Canvas(2, 2, 0), Path("pic.bmp")));
    EXPECT_TRUE(watch.synced.empty());
    const std::string old(100000, 'x');
    test::WriteBytes(Path("pic.bmp"), old);
    ASSERT_TRUE(gdip_.PictureBoxToFile(Canvas(3, 3, 0), Path("pic.bmp")));
    test::gSyncWatch = nullptr;
    ASSERT_EQ(watch.synced.size(), 1U);
    EXPECT_EQ(watch.synced[0], ReadBytes(Path("pic.bmp")));
    EXPECT_EQ(watch.targetAtSync[0], old);
    EXPECT_LT(fs::file_size(Path("pic.bmp")), 100U);
    EXPECT_EQ(test::FolderNames(root_), std::vector<std::string>{"pic.bmp"});
}

} // namespace
} // namespace kalvimo
