#include "ini_file.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kalvimo_ini_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        file_ = folder_ / "Settings.ini";
    }

    void TearDown() override { fs::remove_all(folder_); }

    void Put(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }

    std::string Contents() const {
        std::ifstream stream(file_, std::ios::binary);
        std::ostringstream text;
        text << stream.rdbuf();
        return text.str();
    }

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    fs::path folder_;
    fs::path file_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyReadsEmpty) {
    EXPECT_EQ(ReadIniValue("Paths", "Last source", file_), "");
    Put("[Paths]\nLast source=/a\n");
    EXPECT_EQ(ReadIniValue("Options", "Last source", file_), "");
    EXPECT_EQ(ReadIniValue("Paths", "Last destination", file_), "");
}

TEST_F(IniFileTest, ReadingMatchesNamesIgnoringCaseAndTrimsTheValue) {
    Put("  [ paths ]  \n  last SOURCE  =  /home/a b  \t\nFilter = a=b\nEmpty =   \n");
    EXPECT_EQ(ReadIniValue("Paths", "Last source", file_), "/home/a b");
    EXPECT_EQ(ReadIniValue("PATHS", "filter", file_), "a=b");
    EXPECT_EQ(ReadIniValue("Paths", "Empty", file_), "");
}

TEST_F(IniFileTest, ReadingLooksOnlyInTheFirstMatchingSection) {
    Put("Left=1\n[Options]\nLeft=2\nno equals sign\n[Custom Cropping]\nTop=3\nTop=4\n"
        "[options]\nLeft=5\nRight=6\n");
    EXPECT_EQ(ReadIniValue("Options", "Left", file_), "2");
    EXPECT_EQ(ReadIniValue("Options", "Right", file_), "");
    EXPECT_EQ(ReadIniValue("Custom Cropping", "Left", file_), "");
    EXPECT_EQ(ReadIniValue("Custom Cropping", "Top", file_), "3");
}

TEST_F(IniFileTest, LongValuesAndCrLfFilesReadWhole) {
    const std::string longValue(1000, 'v');
    Put("\xEF\xBB\xBF[Paths]\r\nLast source=" + longValue + "\r\nLast destination=/b\r\n");
    EXPECT_EQ(ReadIniValue("Paths", "Last source", file_), longValue);
    EXPECT_EQ(ReadIniValue("Paths", "Last destination", file_), "/b");
}

TEST_F(IniFileTest, WriteReplacesOnlyTheValueBytes) {
    Put("; kept comment\n[Paths]\nLast source=/old\n\n[Options]\nUnknown=1\n"
        "  new WIDTH =  640  \nFilter=*.*");
    ASSERT_TRUE(WriteIniValue("Options", "New width", "1024", file_));
    ASSERT_TRUE(WriteIniValue("options", "filter", "*.gif", file_));
    EXPECT_EQ(Contents(), "; kept comment\n[Paths]\nLast source=/old\n\n[Options]\nUnknown=1\n"
                          "  new WIDTH =  1024  \nFilter=*.gif");
}

TEST_F(IniFileTest, WriteAddsAMissingKeyAfterTheLastEntryOfItsSection) {
    Put("[A]\nx=1\n; about B\n\n[B]\ny=2\n[C]\n");
    ASSERT_TRUE(WriteIniValue("A", "z", "3", file_));
    ASSERT_TRUE(WriteIniValue("C", "w", "4", file_));
    EXPECT_EQ(Contents(), "[A]\nx=1\nz=3\n; about B\n\n[B]\ny=2\n[C]\nw=4\n");
}

TEST_F(IniFileTest, WriteCreatesFileAndMissingSectionsAtTheEnd) {
    ASSERT_TRUE(WriteIniValue("Paths", "Last source", "/a", file_));
    ASSERT_TRUE(WriteIniValue("Options", "Rename", "1", file_));
    ASSERT_TRUE(WriteIniValue("Paths", "Last destination", "/b", file_));
    EXPECT_EQ(Contents(), "[Paths]\nLast source=/a\nLast destination=/b\n\n[Options]\nRename=1\n");
}

TEST_F(IniFileTest, WriteCompletesALastLineThatHasNoLineBreak) {
    Put("[A]\nx=1");
    ASSERT_TRUE(WriteIniValue("A", "y", "2", file_));
    EXPECT_EQ(Contents(), "[A]\nx=1\ny=2\n");
    Put("[A]\nx=1");
    ASSERT_TRUE(WriteIniValue("B", "y", "2", file_));
    EXPECT_EQ(Contents(), "[A]\nx=1\n\n[B]\ny=2\n");
    // A stray carriage return ending the file belongs to the line end, before and after.
    Put("[A]\r\nx=\r");
    ASSERT_TRUE(WriteIniValue("A", "y", "2", file_));
    EXPECT_EQ(ReadIniValue("A", "x", file_), "");
}

TEST_F(IniFileTest, WriteKeepsCrLfLineEndings) {
    Put("[A]\r\nx=1\r\n");
    ASSERT_TRUE(WriteIniValue("A", "x", "5", file_));
    ASSERT_TRUE(WriteIniValue("A", "y", "2", file_));
    ASSERT_TRUE(WriteIniValue("B", "z", "3", file_));
    EXPECT_EQ(Contents(), "[A]\r\nx=5\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
}

TEST_F(IniFileTest, WriteChangesTheFirstOfDuplicatesAndIgnoresKeysBeforeAnySection) {
    Put("k=0\n[A]\nk=1\nk=2\n[A]\nk=3\n");
    ASSERT_TRUE(WriteIniValue("A", "k", "9", file_));
    EXPECT_EQ(Contents(), "k=0\n[A]\nk=9\nk=2\n[A]\nk=3\n");
}

TEST_F(IniFileTest, WriteRoundTripsValuesWhole) {
    const std::string longValue = "/" + std::string(600, 'p') + "/ä ö=x";
    ASSERT_TRUE(WriteIniValue("Paths", "Last source", longValue, file_));
    EXPECT_EQ(ReadIniValue("Paths", "Last source", file_), longValue);
}

TEST_F(IniFileTest, WriteRefusesWhatCannotBeStoredOnOneLine) {
    Put("[A]\nk=1\n");
    EXPECT_FALSE(WriteIniValue("A", "k", "two\nlines", file_));
    EXPECT_FALSE(WriteIniValue("A", "k=", "1", file_));
    EXPECT_FALSE(WriteIniValue("A", "[k", "1", file_));
    EXPECT_FALSE(WriteIniValue("A", " ", "1", file_));
    EXPECT_FALSE(WriteIniValue("A]", "k", "1", file_));
    EXPECT_EQ(Contents(), "[A]\nk=1\n");
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFileAndKeepsPermissions) {
    Put("[A]\nk=1\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WriteIniValue("A", "k", std::to_string(i), file_));
    }
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Settings.ini"});
    EXPECT_EQ(fs::status(file_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // An unchanged value leaves the very same file in place.
    struct stat before {};
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &before), 0);
    ASSERT_TRUE(WriteIniValue("a", "K", "2", file_));
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(IniFileTest, WriteThroughASymbolicLinkReplacesItsTarget) {
    const fs::path link = folder_ / "link.ini";
    Put("[A]\nk=1\n");
    fs::create_symlink(file_, link);
    ASSERT_TRUE(WriteIniValue("A", "k", "2", link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Contents(), "[A]\nk=2\n");
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
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Settings.ini"});
}

TEST_F(IniFileTest, WriteFailsWhereNoFileCanBe) {
    EXPECT_FALSE(WriteIniValue("A", "k", "1", folder_ / "missing" / "Settings.ini"));
    fs::create_directory(file_);
    EXPECT_FALSE(WriteIniValue("A", "k", "1", file_));
    EXPECT_TRUE(fs::is_directory(file_));
    EXPECT_EQ(FolderEntries(), std::vector<std::string>{"Settings.ini"});
}

} // namespace
} // namespace kalvimo
