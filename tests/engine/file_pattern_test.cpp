#include "exif_maker.h"
#include "file_pattern.h"
#include "temp_folder.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kalvimo {
namespace {

TEST(FilePattern, MasksMatchWithoutRegardToCase) {
    EXPECT_TRUE(MatchesPattern("IMG_0001.JPG", "*.jpg;*.jpeg"));
    EXPECT_TRUE(MatchesPattern("a.Jpeg", "*.jpg;*.jpeg"));
    EXPECT_FALSE(MatchesPattern("a.jpg.txt", "*.jpg;*.jpeg"));
    EXPECT_TRUE(MatchesPattern("a.gif", "*.jpg; *.gif"));
    EXPECT_TRUE(MatchesPattern("photo1.png", "photo?.png"));
    EXPECT_FALSE(MatchesPattern("photo12.png", "photo?.png"));
    EXPECT_TRUE(MatchesPattern("abcabcabd", "*abd"));
    EXPECT_FALSE(MatchesPattern("a.jpg", ""));
    EXPECT_FALSE(MatchesPattern("a.jpg", ";;"));
    // "*.*" takes names without a dot.
    EXPECT_TRUE(MatchesPattern("README", "*.*"));
    EXPECT_TRUE(MatchesPattern("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesPattern("README", "*"));
    // A long name does not blow up.
    EXPECT_FALSE(MatchesPattern(std::string(5000, 'a'), "*a*a*a*a*a*a*a*b"));
}

class FileListTest : public test::TempFolderTest {};

TEST_F(FileListTest, ListsMatchingOrdinaryFilesInNameOrder) {
    std::filesystem::create_directories(root_ / "sub.jpg");
    for (const char* name : {"b.JPG", "a.jpg", "C.jpeg", "d.txt", "B.jpg"}) {
        test::WriteBytes(Path(name), "x");
    }
    EXPECT_THAT(ListMatchingFiles(root_.string(), "*.jpg;*.jpeg"),
                ::testing::ElementsAre("a.jpg", "B.jpg", "b.JPG", "C.jpeg"));
    EXPECT_TRUE(ListMatchingFiles(Path("missing"), "*.*").empty());
}

} // namespace
} // namespace kalvimo
