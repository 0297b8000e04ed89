#include "file_pattern.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kalvimo {
namespace {

TEST(FilePattern, MasksMatchWithoutRegardToCase) {
    EXPECT_TRUE(MatchesPattern("IMG_0001.JPG", "*.jpg;*.jpeg"));
    EXPECT_TRUE(MatchesPattern("a.Jpeg", "*.jpg;*.jpeg"));
    EXPECT_FALSE(MatchesPattern("a.jpg.txt", "*.jpg;*.jpeg"));
    EXPECT_FALSE(MatchesPattern("a.gif", "*.jpg;*.jpeg;*.bmp"));
    EXPECT_TRUE(MatchesPattern("a.gif", "*.jpg; *.gif"));
    EXPECT_TRUE(MatchesPattern("photo1.png", "photo?.png"));
    EXPECT_FALSE(MatchesPattern("photo12.png", "photo?.png"));
    EXPECT_TRUE(MatchesPattern("abcabcabd", "*abd"));
    EXPECT_FALSE(MatchesPattern("a.jpg", ""));
    EXPECT_FALSE(MatchesPattern("a.jpg", ";;"));
}

TEST(FilePattern, StarDotStarTakesNamesWithoutDot) {
    EXPECT_TRUE(MatchesPattern("README", "*.*"));
    EXPECT_TRUE(MatchesPattern("a.b.c", "*.*"));
    EXPECT_TRUE(MatchesPattern("README", "*"));
}

TEST(FilePattern, LongNamesDoNotBlowUp) {
    const std::string name(5000, 'a');
    EXPECT_FALSE(MatchesPattern(name, "*a*a*a*a*a*a*a*b"));
}

TEST(FilePattern, ListsMatchingOrdinaryFilesInNameOrder) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("kalvimo-list-" + std::to_string(::getpid()));
    fs::create_directories(dir / "sub.jpg");
    for (const char* name : {"b.JPG", "a.jpg", "C.jpeg", "d.txt", "B.jpg"}) {
        std::ofstream(dir / name) << "x";
    }
    EXPECT_THAT(ListMatchingFiles(dir.string(), "*.jpg;*.jpeg"),
                ::testing::ElementsAre("a.jpg", "B.jpg", "b.JPG", "C.jpeg"));
    EXPECT_TRUE(ListMatchingFiles((dir / "missing").string(), "*.*").empty());
    fs::remove_all(dir);
}

} // namespace
} // namespace kalvimo
