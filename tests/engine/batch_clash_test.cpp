#include "run_fixture.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class BatchClashTest : public test::RunFixture {};

TEST_F(BatchClashTest, SourcePicturesAreNeverReplacedWhateverTheDestinationIsCalled) {
    fs::create_directory_symlink(root_ / "src", root_ / "link");
    for (const std::string& destination :
         {(root_ / "src").string(), (root_ / "src/../src").string(), (root_ / "link").string()}) {
        SCOPED_TRACE(destination);
        fs::remove_all(root_ / "src");
        fs::create_directory(root_ / "src");
        host_.files.clear();
        AddPictures({"a.bmp", "b.bmp"});
        const std::string original = test::ReadBytes(Src("a.bmp"));
        host_.options.destinationFolder = destination;
        host_.options.overwrite = true;
        EXPECT_THAT(Run(), ElementsAre("Renamed file: a.bmp to aa.bmp",
                                       "Saved file: " + destination + "/aa.bmp",
                                       "Renamed file: b.bmp to ba.bmp",
                                       "Saved file: " + destination + "/ba.bmp"));
        EXPECT_EQ(test::ReadBytes(Src("a.bmp")), original);
    }

    // Without auto-rename the user is asked; the command line's No keeps the original.
    host_.options.autoRename = false;
    host_.files.resize(1);
    EXPECT_THAT(Run(), ElementsAre("Skipped file: a.bmp"));
    EXPECT_THAT(host_.Only("message"), ::testing::Contains("! " + (root_ / "link").string() +
                                                           "/a.bmp already exists! Overwrite?"));
}

TEST_F(BatchClashTest, AnAnswerToAllSettlesTheRestOfTheRunWithoutAsking) {
    AddPictures({"a.bmp", "b.bmp", "c.bmp"});
    host_.options.autoRename = false;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        test::WriteBytes(Dst(name), "taken");
    }
    host_.answers = {MessageAnswer::No, MessageAnswer::NoToAll};
    EXPECT_THAT(Run(),
                ElementsAre("Skipped file: a.bmp", "Skipped file: b.bmp", "Skipped file: c.bmp"));
    EXPECT_EQ(host_.Only("message").size(), 3u); // two questions and the closing message
    host_.answers = {MessageAnswer::YesToAll};
    EXPECT_THAT(Run(), ElementsAre(Saved("a.bmp"), Saved("b.bmp"), Saved("c.bmp")));
    EXPECT_EQ(host_.Only("message").size(), 2u);
    // The next run asks again.
    host_.answers.clear();
    EXPECT_THAT(Run(),
                ElementsAre("Skipped file: a.bmp", "Skipped file: b.bmp", "Skipped file: c.bmp"));
}

TEST_F(BatchClashTest, OnlyOrdinaryWritableFilesAreReplaced) {
    const struct {
        const char* kind;
        std::function<void(const std::string&)> make;
        bool replacedOnRequest;
    } cases[] = {
        {"dangling link", [](auto& p) { fs::create_symlink("nowhere.bmp", p); }, true},
        {"link to a folder", [&](auto& p) { fs::create_symlink(root_ / "src", p); }, true},
        {"named pipe", [](auto& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, false},
        {"folder", [](auto& p) { fs::create_directory(p); }, false},
        {"read-only file",
         [](auto& p) {
             test::WriteBytes(p, "k");
             fs::permissions(p, fs::perms::owner_read);
         },
         false},
    };
    AddPicture("a.bmp");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        fs::remove_all(root_ / "dst");
        fs::create_directory(root_ / "dst");
        c.make(Dst("a.bmp"));
        const fs::file_status before = fs::symlink_status(Dst("a.bmp"));

        // A clash like any other: auto-rename leaves the entry alone.
        host_.options.overwrite = false;
        host_.options.autoRename = true;
        EXPECT_THAT(Run(), ElementsAre("Renamed file: a.bmp to aa.bmp", Saved("aa.bmp")));
        EXPECT_EQ(fs::symlink_status(Dst("a.bmp")).type(), before.type());

        // Asked to replace it, by the option or by the answer.
        for (const bool byAnswer : {false, true}) {
            if (!fs::exists(fs::symlink_status(Dst("a.bmp")))) {
                c.make(Dst("a.bmp"));
            }
            host_.options.overwrite = !byAnswer;
            host_.options.autoRename = false;
            host_.answers = {MessageAnswer::Yes};
            const std::vector<std::string> log = Run();
            if (c.replacedOnRequest) {
                EXPECT_THAT(log, ElementsAre(Saved("a.bmp")));
                EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Dst("a.bmp"))));
            } else {
                EXPECT_THAT(log, ElementsAre("Could not save file: " + Dst("a.bmp")));
                EXPECT_EQ(fs::symlink_status(Dst("a.bmp")).type(), before.type());
            }
        }
    }
    EXPECT_TRUE(fs::is_directory(root_ / "src"));
}

TEST_F(BatchClashTest, RunRemovesTheTemporariesOfEndedWritersOnly) {
    const pid_t ended = ::fork();
    if (ended == 0) {
        ::_exit(0);
    }
    ::waitpid(ended, nullptr, 0);
    const std::string prefix = ".kalvimo-" + std::to_string(ended);
    test::WriteBytes(Dst(prefix + "-Ab12Cd"), "half a picture");
    // Kept: one of a writer still at work (PID 1 always is), one whose writer holds its lock
    // where this process cannot see it (another PID space), and one not ours at all.
    test::WriteBytes(Dst(".kalvimo-1-Ef34Gh"), "");
    test::WriteBytes(Dst(prefix + "-Lk56Mn"), "");
    const int locked = ::open(Dst(prefix + "-Lk56Mn").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(locked, LOCK_EX), 0);
    test::WriteBytes(Dst(".kalvimo-notes"), "mine");

    AddPicture("a.bmp");
    run_.PressProcess();
    ::close(locked);
    EXPECT_THAT(DestinationNames(),
                ElementsAre(".kalvimo-1-Ef34Gh", prefix + "-Lk56Mn", ".kalvimo-notes", "a.bmp"));
}

TEST_F(BatchClashTest, AFullDiskLosesNothingAndLeavesNoPartialFile) {
    AddPicture("a.bmp", 400, 300);
    AddPicture("b.bmp", 400, 300);
    test::WriteBytes(Dst("b.bmp"), "precious");
    host_.options.newWidth = 400;
    host_.options.newHeight = 300;
    host_.options.overwrite = true;
    // The file size limit stands for the full disk, in a child so that the limit stays there.
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        run_.PressProcess();
        const bool expected =
            host_.Only("log") == std::vector<std::string>{"Could not save file: " + Dst("a.bmp"),
                                                          "Could not save file: " + Dst("b.bmp")};
        ::_exit(expected ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_THAT(DestinationNames(), ElementsAre("b.bmp"));
    EXPECT_EQ(test::ReadBytes(Dst("b.bmp")), "precious");
}

TEST_F(BatchClashTest, SourcesRemovedOrCutShortDuringTheRunFailAlone) {
    AddPictures({"a.bmp", "b.bmp", "c.jpg", "d.bmp"});
    host_.onPump = [&] {
        if (host_.events.back() == "status Processing a.bmp...") {
            fs::remove(Src("b.bmp"));
            fs::resize_file(Src("c.jpg"), fs::file_size(Src("c.jpg")) / 3);
        }
    };
    EXPECT_THAT(Run(), ElementsAre(Saved("a.bmp"), "Error processing file: b.bmp",
                                   "Error processing file: c.jpg", Saved("d.bmp")));
    EXPECT_THAT(DestinationNames(), ElementsAre("a.bmp", "d.bmp"));
}

} // namespace
} // namespace kalvimo
