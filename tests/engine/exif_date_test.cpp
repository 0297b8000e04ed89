#include "exif_date.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

using ExifDateTest = test::TempFolderTest;

// Dates of each kind, hand-made blocks of every malformation and pictures without any are files
// under tests/data.
TEST_F(ExifDateTest, FilesWithoutUsableMetadataGiveNoDate) {
    test::WriteBytes(Path("text.jpg"), "not a picture");
    test::WriteBytes(Path("empty.jpg"), "");
    fs::create_directory(Path("folder.jpg"));
    ASSERT_EQ(::mkfifo(Path("pipe.jpg").c_str(), 0600), 0);
    for (const char* name : {"text.jpg", "empty.jpg", "folder.jpg", "pipe.jpg", "missing.jpg"}) {
        EXPECT_EQ(ReadExifDate(Path(name)), "") << name;
        EXPECT_EQ(ReadExifOrientation(Path(name)), 1) << name;
    }
}

} // namespace
} // namespace kalvimo
