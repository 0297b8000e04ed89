#include "file_pattern.h"
#include "temp_folder.h"
#include "text_helpers.h"

#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kalvimo {
namespace {

TEST(TextHelpers, SeparatorsCountsFieldsAndNames) {
    // One separator, never two.
    EXPECT_EQ(AddBackslash("/out"), "/out/");
    EXPECT_EQ(AddBackslash("/out/"), "/out/");
    EXPECT_EQ(AddBackslash(""), "/");
    // Overlapping matches count, case matters.
    EXPECT_EQ(CountOf("aaaa", "aa"), 3);
    EXPECT_EQ(CountOf("a.b.c", "."), 2);
    EXPECT_EQ(CountOf("abc", "."), 0);
    EXPECT_EQ(CountOf("ABC", "b"), 0);
    EXPECT_EQ(GetField("a.b.c", ".", 2), "b");
    EXPECT_EQ(GetField("a.b.c", ".", 3), "c");
    EXPECT_EQ(GetField("VGA : 640x480", " : ", 2), "640x480");
    // The presence test ignores case, the split does not.
    EXPECT_EQ(GetField("640X480", "x", 1), "640X480");
    EXPECT_EQ(ExtensionWithDot("photo.tar.gz"), ".gz");
    EXPECT_EQ(ExtensionWithDot("README"), ".");
    EXPECT_EQ(FileNameOf("/a/b.jpg"), "b.jpg");
    EXPECT_EQ(FileNameOf("b.jpg"), "");
}

TEST(TextHelpers, NextSuffixSkipsTheLetterZ) {
    EXPECT_EQ(NextSuffix(""), "a");
    EXPECT_EQ(NextSuffix("y"), "aa");
    EXPECT_EQ(NextSuffix("ay"), "ba");
    EXPECT_EQ(NextSuffix("yy"), "aaa");
    std::string s;
    for (int i = 0; i < 25 + 25 * 25; ++i) {
        s = NextSuffix(s);
        ASSERT_EQ(s.find('z'), std::string::npos) << s;
    }
    EXPECT_EQ(s, "yy");
}

class UniqueFileNameTest : public test::TempFolderTest {};

// The letter goes straight after the base name, which keeps every letter when there is no
// extension; entries of every kind are taken.
TEST_F(UniqueFileNameTest, PutsTheLetterStraightAfterTheBaseName) {
    std::filesystem::create_directories(root_ / "out.d");
    for (const char* name : {"a.jpg", "aa.jpg", "20080220_160733.", "README", "out.d/README"}) {
        test::WriteBytes(Path(name), "x");
    }
    std::filesystem::create_directory(root_ / "b.jpg");
    std::filesystem::create_symlink("nowhere", root_ / "ba.jpg");
    ASSERT_EQ(::mkfifo(Path("bb.jpg").c_str(), 0600), 0);
    EXPECT_EQ(UniqueFileName(Path("free.jpg")), Path("free.jpg"));
    EXPECT_EQ(UniqueFileName(Path("a.jpg")), Path("ab.jpg"));
    EXPECT_EQ(UniqueFileName(Path("b.jpg")), Path("bc.jpg"));
    EXPECT_EQ(UniqueFileName(Path("20080220_160733.")), Path("20080220_160733a."));
    EXPECT_EQ(UniqueFileName(Path("README")), Path("READMEa"));
    EXPECT_EQ(UniqueFileName(Path("out.d/README")), Path("out.d/READMEa"));
}

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
