#include "exif_date.h"
#include "exif_maker.h"
#include "picture_maker.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

class ExifDateTest : public test::TempFolderTest {
protected:
    std::string Photo(const std::string& name, const test::ExifProperties& properties) {
        const std::string path = Path(name);
        test::WriteJpegWithExif(path, test::CoordinatePicture(16, 8), properties);
        return path;
    }
};

// Dates of each kind, and hand-made blocks of every malformation, are files under tests/data.
TEST_F(ExifDateTest, FilesWithoutUsableMetadataGiveNoDate) {
    Photo("plain.jpg", {});
    test::WriteBytes(Path("text.jpg"), "not a picture");
    test::WriteBytes(Path("empty.jpg"), "");
    fs::create_directory(Path("folder.jpg"));
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    for (const char* name :
         {"plain.jpg", "text.jpg", "empty.jpg", "folder.jpg", "pipe.jpg", "missing.jpg"}) {
        EXPECT_EQ(ReadExifDate(Path(name)), "") << name;
        EXPECT_EQ(ReadExifOrientation(Path(name)), 1) << name;
    }
}

} // namespace
} // namespace kalvimo
