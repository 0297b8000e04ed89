#include "ini_file.h"
#include "temp_folder.h"

#include <array>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <vector>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public test::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        file_ = root_ / "Settings.ini";
    }
    void Put(const std::string& text) const { test::WriteBytes(file_, text); }
    std::string Contents() const { return test::ReadBytes(file_); }

    fs::path file_;
};

// Files as people edit them: names in any case, blanks around everything, keys before any
// section, repeated sections and keys (the first counts), a byte-order mark and CRLF.
TEST_F(IniFileTest, ReadingFindsTheFirstKeyOfTheFirstSectionIgnoringCaseAndBlanks) {
    EXPECT_EQ(ReadIniValue("Paths", "Last source", file_), ""); // no file at all
    const std::string spaced =
        "  [ paths ]  \n  last SOURCE  =  /home/a b  \t\nFilter = a=b\nEmpty =   \n";
    const std::string repeated = "Left=1\n[Options]\nLeft=2\nno equals sign\n[Custom Cropping]\n"
                                 "Top=3\nTop=4\n[options]\nLeft=5\nRight=6\n";
    const std::string longValue(1000, 'v');
    const std::string crLf =
        "\xEF\xBB\xBF[Paths]\r\nLast source=" + longValue + "\r\nLast destination=/b\r\n";
    // File, section, key: the value read.
    const std::tuple<const std::string&, const char*, const char*, std::string> cases[] = {
        {spaced, "Paths", "Last source", "/home/a b"},
        {spaced, "PATHS", "filter", "a=b"},
        {spaced, "Paths", "Empty", ""},
        {spaced, "Paths", "Last destination", ""},
        {spaced, "Options", "Last source", ""},
        {repeated, "Options", "Left", "2"},
        {repeated, "Options", "Right", ""},
        {repeated, "Custom Cropping", "Left", ""},
        {repeated, "Custom Cropping", "Top", "3"},
        {crLf, "Paths", "Last source", longValue},
        {crLf, "Paths", "Last destination", "/b"},
    };
    for (const auto& [file, section, key, value] : cases) {
        Put(file);
        EXPECT_EQ(ReadIniValue(section, key, file_), value) << file << key;
    }
}

// A write changes only what it must, in the file's own line ends.
TEST_F(IniFileTest, WritingChangesTheValueBytesOrAddsWhereTheKeyBelongs) {
    using Write = std::array<const char*, 3>; // section, key, value
    // The file before (none if null), the writes, the file after.
    const std::tuple<const char*, std::vector<Write>, const char*> cases[] = {
        // The first key of the first section, blanks, comments and unknown keys kept.
        {"; kept\n[P]\na=/old\n\n[Options]\nUnknown=1\n  new WIDTH =  640  \nFilter=*.*",
         {{"Options", "New width", "1024"}, {"options", "filter", "*.gif"}},
         "; kept\n[P]\na=/old\n\n[Options]\nUnknown=1\n  new WIDTH =  1024  \nFilter=*.gif"},
        {"k=0\n[A]\nk=1\nk=2\n[A]\nk=3\n", {{"A", "k", "9"}}, "k=0\n[A]\nk=9\nk=2\n[A]\nk=3\n"},
        // A missing key after its section's last entry; a missing section or file at the end.
        {"[A]\nx=1\n; about B\n\n[B]\ny=2\n[C]\n",
         {{"A", "z", "3"}, {"C", "w", "4"}},
         "[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n[C]\nw=4\n"},
        {nullptr,
         {{"Paths", "Last source", "/a"},
          {"Options", "Rename", "1"},
          {"Paths", "Last destination", "/b"}},
         "[Paths]\nLast source=/a\nLast destination=/b\n\n[Options]\nRename=1\n"},
        // A last line without its line break is completed first.
        {"[A]\nx=1", {{"A", "y", "2"}}, "[A]\nx=1\ny=2\n"},
        {"[A]\nx=1", {{"B", "y", "2"}}, "[A]\nx=1\n\n[B]\ny=2\n"},
        {"[A]\r\nx=1\r\n",
         {{"A", "x", "5"}, {"A", "y", "2"}, {"B", "z", "3"}},
         "[A]\r\nx=5\r\ny=2\r\n\r\n[B]\r\nz=3\r\n"},
    };
    for (const auto& [before, writes, after] : cases) {
        fs::remove(file_);
        if (before != nullptr) {
            Put(before);
        }
        for (const auto& [section, key, value] : writes) {
            ASSERT_TRUE(WriteIniValue(section, key, value, file_)) << key;
        }
        EXPECT_EQ(Contents(), after);
    }
    // A stray carriage return ending the file belongs to the line end, before and after.
    Put("[A]\r\nx=\r");
    ASSERT_TRUE(WriteIniValue("A", "y", "2", file_));
    EXPECT_EQ(ReadIniValue("A", "x", file_), "");
    const std::string longValue = "/" + std::string(600, 'p') + "/ä ö=x";
    ASSERT_TRUE(WriteIniValue("Paths", "Last source", longValue, file_));
    EXPECT_EQ(ReadIniValue("Paths", "Last source", file_), longValue);
}

TEST_F(IniFileTest, WriteRefusesWhatCannotBeStoredOnOneLine) {
    Put("[A]\nk=1\n");
    const std::array<std::string, 3> refused[] = {{"A", "k", "two\nlines"},
                                                  {"A", "k=", "1"},
                                                  {"A", "[k", "1"},
                                                  {"A", " ", "1"},
                                                  {"A]", "k", "1"}};
    for (const auto& [section, key, value] : refused) {
        EXPECT_FALSE(WriteIniValue(section, key, value, file_)) << section << key << value;
    }
    EXPECT_EQ(Contents(), "[A]\nk=1\n");
}

// The new file is written beside the old one and renamed over it, so a failure leaves the old
// file whole and no stray temporary file.
TEST_F(IniFileTest, WriteLeavesNoTemporaryFileAndKeepsPermissions) {
    Put("[A]\nk=1\n");
    const fs::perms perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(file_, perms);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteIniValue("A", "k", std::to_string(i), file_));
    }
    EXPECT_EQ(test::FolderNames(root_), std::vector<std::string>{"Settings.ini"});
    EXPECT_EQ(fs::status(file_).permissions(), perms);

    // An unchanged value leaves the very same file in place.
    struct stat before {};
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &before), 0);
    ASSERT_TRUE(WriteIniValue("a", "K", "2", file_));
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);

    // Through a symbolic link the target is replaced and the link stays.
    const fs::path link = root_ / "link.ini";
    fs::create_symlink(file_, link);
    ASSERT_TRUE(WriteIniValue("A", "k", "7", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(), "[A]\nk=7\n");
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFileWhole) {
    const std::string original = "[A]\nk=1\n";
    Put(original);
    // A file size limit makes the write fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteIniValue("A", "k", std::string(100, 'x'), file_);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(Contents(), original);
    EXPECT_EQ(test::FolderNames(root_), std::vector<std::string>{"Settings.ini"});

    // Nor can a file be written in a missing folder or in a folder's place.
    EXPECT_FALSE(WriteIniValue("A", "k", "1", root_ / "missing" / "Settings.ini"));
    fs::remove(file_);
    fs::create_directory(file_);
    EXPECT_FALSE(WriteIniValue("A", "k", "1", file_));
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_EQ(test::FolderNames(root_), std::vector<std::string>{"Settings.ini"});
}

} // namespace
} // namespace kalvimo
