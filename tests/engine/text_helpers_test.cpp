#include "temp_folder.h"
#include "text_helpers.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kalvimo {
namespace {

TEST(TextHelpers, AddBackslashAppendsOneSeparator) {
    EXPECT_EQ(AddBackslash("/"), "/");
    EXPECT_EQ(AddBackslash("/out"), "/out/");
    EXPECT_EQ(AddBackslash("/out/"), "/out/");
    EXPECT_EQ(AddBackslash(""), "/");
}

TEST(TextHelpers, CountOfCountsOverlappingMatches) {
    EXPECT_EQ(CountOf("aaaa", "aa"), 3);
    EXPECT_EQ(CountOf("a.b.c", "."), 2);
    EXPECT_EQ(CountOf("abc", "."), 0);
    EXPECT_EQ(CountOf("ABC", "b"), 0);
}

TEST(TextHelpers, GetFieldSplitsAndClosesTheLastField) {
    EXPECT_EQ(GetField("a.b.c", ".", 2), "b");
    EXPECT_EQ(GetField("a.b.c", ".", 3), "c");
    EXPECT_EQ(GetField("abc", ".", 1), "");
    EXPECT_EQ(GetField("VGA : 640x480", " : ", 2), "640x480");
    // The presence test ignores case, the split does not.
    EXPECT_EQ(GetField("640X480", "x", 1), "640X480");
}

TEST(TextHelpers, ExtensionAndFileName) {
    EXPECT_EQ(ExtensionWithDot("photo.tar.gz"), ".gz");
    EXPECT_EQ(ExtensionWithDot("README"), ".");
    EXPECT_EQ(ExtensionWithDot("IMG_0001.JPG"), ".JPG");
    EXPECT_EQ(FileNameOf("/a/b.jpg"), "b.jpg");
    EXPECT_EQ(FileNameOf("b.jpg"), "");
}

TEST(TextHelpers, NextSuffixSkipsTheLetterZ) {
    EXPECT_EQ(NextSuffix(""), "a");
    EXPECT_EQ(NextSuffix("a"), "b");
    EXPECT_EQ(NextSuffix("x"), "y");
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

class UniqueFileNameTest : public test::TempFolderTest {
protected:
    std::string Touch(const std::string& name) {
        const std::string path = Path(name);
        std::ofstream(path) << "x";
        return path;
    }
};

TEST_F(UniqueFileNameTest, PutsTheLetterStraightAfterTheBaseName) {
    const std::string path = Touch("a.jpg");
    EXPECT_EQ(UniqueFileName((root_ / "free.jpg").string()), (root_ / "free.jpg").string());
    EXPECT_EQ(UniqueFileName(path), (root_ / "aa.jpg").string());
    Touch("aa.jpg");
    EXPECT_EQ(UniqueFileName(path), (root_ / "ab.jpg").string());
}

TEST_F(UniqueFileNameTest, EntriesOfEveryKindAreTaken) {
    std::filesystem::create_directory(root_ / "b.jpg");
    std::filesystem::create_symlink("nowhere", root_ / "ba.jpg");
    ASSERT_EQ(::mkfifo(Path("bb.jpg").c_str(), 0600), 0);
    EXPECT_EQ(UniqueFileName(Path("b.jpg")), Path("bc.jpg"));
}

TEST_F(UniqueFileNameTest, NamesWithoutExtensionKeepEveryLetter) {
    const std::string lone = Touch("20080220_160733.");
    EXPECT_EQ(UniqueFileName(lone), (root_ / "20080220_160733a.").string());
    const std::string bare = Touch("README");
    EXPECT_EQ(UniqueFileName(bare), (root_ / "READMEa").string());
    std::filesystem::create_directory(root_ / "out.d");
    const std::string inDottedFolder = Touch("out.d/README");
    EXPECT_EQ(UniqueFileName(inDottedFolder), (root_ / "out.d/READMEa").string());
}

} // namespace
} // namespace kalvimo
