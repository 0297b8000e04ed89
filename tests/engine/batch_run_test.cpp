#include "codecs/picture_decoder.h"
#include "memory_budget.h"
#include "run_fixture.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <semaphore>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kalvimo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

class BatchRunTest : public test::RunFixture {
protected:
    // The picture written to the destination; empty when it cannot be read.
    Canvas Output(const std::string& name) const {
        Canvas out;
        std::string error;
        EXPECT_TRUE(DecodePictureFile(Dst(name), out, 0, error)) << error;
        return out;
    }
    // Processes one picture afresh and gives the lines it logged.
    std::vector<std::string> Process(const std::string& name, bool save = true) {
        host_.events.clear();
        run_.ProcessFile(host_.options.sourceFolder, name, save);
        return host_.Only("log");
    }
};

// Eight pictures, so that the progress meets halves (12.5, 37.5...) and rounds them to even.
TEST_F(BatchRunTest, RunOverEveryFormatWritesFittedPicturesAndReportsEachStep) {
    const std::string names[] = {"a.jpg", "b.bmp", "c.gif", "d.png",
                                 "e.jpg", "f.bmp", "g.gif", "h.png"};
    const char* progress[] = {"0", "12", "25", "38", "50", "62", "75", "88"};
    std::vector<std::string> expected = {"caption Stop", "bar shown"};
    for (int i = 0; i < 8; ++i) {
        AddPicture(names[i]);
        expected.insert(expected.end(),
                        {std::string("progress ") + progress[i],
                         "status Processing " + names[i] + "...", "log " + Saved(names[i]),
                         "status Finished processing " + names[i]});
    }
    expected.insert(expected.end(), {"progress 100", "bar hidden", "caption Process", "refresh",
                                     "message i Picture resize process complete."});
    run_.PressProcess();
    EXPECT_EQ(host_.events, expected);
    EXPECT_FALSE(run_.running());
    for (const std::string& name : names) {
        const Canvas out = Output(name);
        EXPECT_EQ(std::pair(out.Width(), out.Height()), std::pair(40, 30)) << name;
    }
}

TEST_F(BatchRunTest, PhotosAreWrittenAtQuality85) {
    AddPicture("a.jpg");
    run_.ProcessFile(host_.options.sourceFolder, "a.jpg", true);
    ASSERT_TRUE(gdip_.PictureBoxToFile(run_.picDest(), Path("at85.jpg"), 85));
    EXPECT_EQ(test::ReadBytes(Dst("a.jpg")), test::ReadBytes(Path("at85.jpg")));
}

TEST_F(BatchRunTest, SelectedOnlyWithNothingSelectedEndsAtOnce) {
    AddPicture("a.bmp");
    host_.files[0].selected = false;
    host_.options.selectedOnly = true;
    run_.PressProcess();
    EXPECT_THAT(host_.events,
                ElementsAre("caption Stop", "caption Process",
                            "message ! No images are selected in the Source folder."));
    EXPECT_FALSE(run_.running());

    AddPicture("b.bmp");
    EXPECT_THAT(Run(), ElementsAre(Saved("b.bmp")));
}

TEST_F(BatchRunTest, StopTakesEffectAfterTheCurrentPicture) {
    AddPictures({"a.bmp", "b.bmp", "c.bmp"});
    const std::vector<std::string> saved = {Saved("a.bmp"), Saved("b.bmp"), Saved("c.bmp")};
    host_.options.overwrite = true;
    std::string stopAt;
    host_.onPump = [&] {
        if (!stopAt.empty() && host_.events.back() == stopAt) {
            stopAt.clear();
            run_.PressProcess();
        }
    };
    // "Stop" clicked while the second picture is processed, then after the last one; a run
    // without a click after them is not affected by the old request.
    const struct {
        const char* stopAt;
        std::size_t saved;
        std::vector<std::string> progress;
        std::string message;
    } runs[] = {
        {"status Processing b.bmp...", 2, {"0", "33"}, "has been aborted."},
        {"status Finished processing c.bmp", 3, {"0", "33", "67"}, "has been aborted."},
        {"", 3, {"0", "33", "67", "100"}, "complete."},
    };
    for (const auto& r : runs) {
        SCOPED_TRACE(r.stopAt);
        stopAt = r.stopAt;
        EXPECT_EQ(Run(), std::vector(saved.begin(), saved.begin() + r.saved));
        EXPECT_EQ(host_.Only("progress"), r.progress);
        EXPECT_EQ(host_.events.back(), "message i Picture resize process " + r.message);
    }
}

TEST_F(BatchRunTest, AFolderThatIsGoneStopsTheRunAndNothingIsWrittenElsewhere) {
    AddPictures({"a.bmp", "b.bmp", "c.bmp"});
    // Gone before the run: it does not start, and the message names the folder.
    for (const char* role : {"source", "destination"}) {
        SCOPED_TRACE(role);
        const fs::path folder = root_ / (role == std::string("source") ? "src" : "dst");
        fs::rename(folder, root_ / "away");
        EXPECT_TRUE(Run().empty());
        EXPECT_THAT(host_.events, ElementsAre("caption Stop", "caption Process",
                                              "message ! The " + std::string(role) + " folder " +
                                                  folder.string() + " is no longer there."));
        fs::rename(root_ / "away", folder);
    }
    // The default destination, never made, is made by the first run that writes into it.
    fs::remove(root_ / "dst");
    host_.folderToMake = (root_ / "dst/").string();
    host_.files[0].selected = host_.files[1].selected = host_.files[2].selected = false;
    host_.options.selectedOnly = true;
    EXPECT_TRUE(Run().empty());
    EXPECT_FALSE(fs::exists(root_ / "dst"));
    host_.options.selectedOnly = false;
    EXPECT_THAT(Run(), ElementsAre(Saved("a.bmp"), Saved("b.bmp"), Saved("c.bmp")));
    // One that cannot be made is named, and the run does not start.
    test::WriteBytes(Path("file"), "x");
    host_.options.destinationFolder = host_.folderToMake = Path("file/Kalvimo");
    EXPECT_TRUE(Run().empty());
    EXPECT_THAT(host_.events.back(),
                ::testing::StartsWith("message ! The destination folder " + Path("file/Kalvimo") +
                                      " could not be made: "));
    host_.options.destinationFolder = (root_ / "dst").string();
    host_.folderToMake.clear();

    // Pulled out after the first picture, or put back as another folder of that name: one
    // line for the picture that could not be saved, then the run stops.
    for (const bool putBack : {false, true}) {
        SCOPED_TRACE(putBack);
        fs::remove_all(root_ / "dst");
        fs::create_directory(root_ / "dst");
        host_.onPump = [&] {
            if (host_.events.back() == "status Finished processing a.bmp" &&
                !fs::exists(root_ / "pulled")) {
                fs::rename(root_ / "dst", root_ / "pulled");
                if (putBack) {
                    fs::create_directory(root_ / "dst");
                }
            }
        };
        EXPECT_THAT(Run(), ElementsAre(Saved("a.bmp"), "Could not save file: " + Dst("b.bmp")));
        EXPECT_EQ(host_.events.back(),
                  "message i Picture resize process has been aborted. The destination folder " +
                      (root_ / "dst").string() +
                      " is no longer there. 1 of 2 pictures could not be processed.");
        EXPECT_FALSE(fs::exists(root_ / "b.bmp"));
        EXPECT_FALSE(fs::exists(root_ / "dst" / "b.bmp"));
        fs::remove_all(root_ / "pulled");
        host_.onPump = nullptr;
    }
}

TEST_F(BatchRunTest, OptionsChangedDuringARunWaitForTheNextRun) {
    AddPictures({"a.bmp", "b.bmp"});
    host_.onPump = [this] {
        if (host_.events.back() == "status Finished processing a.bmp") {
            host_.options.newWidth = 20;
            host_.options.fitting = Fitting::Letterbox;
        }
    };
    Run();
    EXPECT_EQ(Output("b.bmp").Width(), 40);
    // Outside a run, the options as they stand.
    host_.onPump = nullptr;
    host_.options.overwrite = true;
    Run();
    EXPECT_EQ(Output("a.bmp").Width(), 20);
}

TEST_F(BatchRunTest, DryRunWritesNothingAndLogsNothing) {
    AddPicture("a.jpg");
    EXPECT_TRUE(Process("a.jpg", false).empty());
    EXPECT_THAT(host_.events, ElementsAre("status Processing a.jpg...",
                                          "status Finished preview processing a.jpg"));
    EXPECT_TRUE(DestinationNames().empty());
    EXPECT_EQ(run_.picDest().Width(), 40);
    Process("", false);
    EXPECT_TRUE(host_.events.empty());
}

TEST_F(BatchRunTest, CancelledCropPromptSkipsOnlyThatPicture) {
    AddPictures({"a.bmp", "b.bmp", "c.bmp"});
    host_.options.fitting = Fitting::CustomCrop;
    host_.options.promptCustomCrop = true;
    host_.crop = {0, 0, 40 * 15, 30 * 15};
    host_.cropCancels = {true, false, false};
    EXPECT_THAT(Run(), ElementsAre("Skipped file: a.bmp", Saved("b.bmp"), Saved("c.bmp")));
    EXPECT_EQ(host_.cropPrompts, 3);
    EXPECT_THAT(host_.Only("status"), ::testing::Contains("Skipped a.bmp"));

    // With the dialog already open nothing is asked; its rectangle is used.
    host_.cropVisible = true;
    Process("a.bmp", false);
    EXPECT_EQ(host_.cropPrompts, 3);
    EXPECT_EQ(host_.events.back(), "status Finished preview processing a.bmp");

    // The prompt shows the picture as it is cut: a portrait turned for the landscape frame.
    host_.cropVisible = false;
    AddPicture("portrait.bmp", 30, 40);
    Process("portrait.bmp", false);
    EXPECT_EQ(host_.cropPrompts, 4);
    EXPECT_EQ(host_.promptedSize, std::pair(40, 30));
}

// Each runs on the drawing thread and off it, stretched and letterboxed (where JPEGs are shrunk
// while they are decoded). Damaged files of the other formats fail in the one reader of them all,
// which the codec tests feed.
TEST_F(BatchRunTest, BadInputFailsThatPictureOnlyAndLeavesTheDiskAlone) {
    AddRawFile("empty.jpg", "");
    AddRawFile("text.jpg", "This is a text file, not a photograph.\n");
    AddRawFile("truncated.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
    fs::create_directory(Src("folder.jpg"));
    host_.files.insert(host_.files.end(), {{"folder.jpg"}, {"deleted.jpg"}});
    AddData("huge.jpg", "huge.jpg"); // a frame that claims 65000 x 65000 pixels
    AddPicture("good.jpg");
    test::WriteBytes(Dst("text.jpg"), "keep me");
    host_.options.overwrite = true;
    std::vector<std::string> log;
    for (const char* name :
         {"empty.jpg", "text.jpg", "truncated.jpg", "folder.jpg", "deleted.jpg", "huge.jpg"}) {
        log.push_back(std::string("Error processing file: ") + name);
    }
    log.push_back(Saved("good.jpg"));
    for (const int jobs : {1, 2}) {
        for (const bool letterbox : {false, true}) {
            SCOPED_TRACE(::testing::Message() << jobs << " jobs, letterbox " << letterbox);
            run_.SetJobs(jobs);
            host_.options.fitting = letterbox ? Fitting::Letterbox : Fitting::Stretch;
            EXPECT_EQ(Run(), log);
            EXPECT_THAT(host_.Only("status"), ::testing::Contains("Error processing text.jpg"));
            EXPECT_THAT(DestinationNames(), ElementsAre("good.jpg", "text.jpg"));
            EXPECT_EQ(test::ReadBytes(Dst("text.jpg")), "keep me");
            EXPECT_FALSE(run_.fileBusy());
        }
    }
}

// The window's events go on while another thread draws a picture; a second call made from them
// returns at once. An interlaced picture of 16 megapixels is decoded whole, which takes a while.
TEST_F(BatchRunTest, EventsGoOnWhileAnotherThreadDrawsAPictureButItIsNotStartedAgain) {
    AddData("png-interlaced-of-4000-x-4000-in-one-colour.png", "large.png");
    host_.options.fitting = Fitting::AutoCrop;
    run_.SetJobs(2);
    int pumpsWhileDrawn = 0;
    host_.onPump = [&] {
        if (run_.fileBusy() && pumpsWhileDrawn++ == 0) {
            run_.ProcessFile(host_.options.sourceFolder, "large.png", false);
        }
    };
    EXPECT_THAT(Run(), ElementsAre(Saved("large.png")));
    EXPECT_GT(pumpsWhileDrawn, 0);
    EXPECT_THAT(host_.Only("status"),
                ElementsAre("Processing large.png...", "Finished processing large.png"));
}

// Pictures drawn at once share the budget: one that fits beside the others starts at once, one
// that does not waits until it fits or runs alone, however large, and those that ask after it
// wait their turn.
TEST(MemoryBudgetTest, APictureThatDoesNotFitWaitsForTheOthersAndThoseAfterItWaitTheirTurn) {
    MemoryBudget budget(100);
    std::atomic<int> admissions = 0;
    struct Picture {
        explicit Picture(std::int64_t need) : bytes(need) {}
        std::int64_t bytes;
        std::atomic<int> admitted = 0;
        std::binary_semaphore end{0};
        std::thread thread;
    };
    const auto start = [&](Picture& picture) {
        picture.thread = std::thread([&] {
            const MemoryBudget::Drawing drawing(budget);
            MemoryBudget::Reserve(picture.bytes);
            picture.admitted = ++admissions;
            picture.end.acquire();
        });
    };
    const auto waitFor = [](const Picture& picture) {
        for (int i = 0; i < 1000 && picture.admitted == 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return picture.admitted.load();
    };
    const auto settle = [] { std::this_thread::sleep_for(std::chrono::milliseconds(50)); };
    Picture first(60);
    Picture fits(30);
    Picture large(500);
    Picture small(10);
    start(first);
    EXPECT_EQ(waitFor(first), 1);
    start(fits);
    EXPECT_EQ(waitFor(fits), 2);
    start(large);
    settle();
    start(small);
    settle();
    EXPECT_EQ(large.admitted, 0);
    EXPECT_EQ(small.admitted, 0);
    first.end.release();
    settle();
    EXPECT_EQ(large.admitted, 0);
    fits.end.release();
    EXPECT_EQ(waitFor(large), 3);
    settle();
    EXPECT_EQ(small.admitted, 0);
    large.end.release();
    EXPECT_EQ(waitFor(small), 4);
    small.end.release();
    for (Picture* picture : {&first, &fits, &large, &small}) {
        picture->thread.join();
    }
}

TEST_F(BatchRunTest, UnreadableSourceAndReadOnlyDestinationAreReported) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not bind the superuser";
    }
    AddPicture("locked.bmp");
    fs::permissions(Src("locked.bmp"), fs::perms::none);
    AddPicture("a.bmp");
    fs::permissions(root_ / "dst", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THAT(Run(), ElementsAre("Error processing file: locked.bmp",
                                   "Could not save file: " + Dst("a.bmp")));
}

TEST_F(BatchRunTest, EachPictureReportsItsOutcomeAndTheLastMessageCountsFailures) {
    AddPictures({"a.bmp", "b.bmp"});
    test::WriteBytes(Dst("b.bmp"), "taken");
    AddRawFile("broken.jpg", "not a picture");
    // Without an extension there is no format to write it in.
    AddPicture("picture.bmp");
    fs::rename(Src("picture.bmp"), Src("picture"));
    host_.files.back().name = "picture";
    run_.PressProcess();
    EXPECT_THAT(host_.outcomes, ElementsAre("a.bmp saved", "b.bmp renamed", "broken.jpg error",
                                            "picture could not save"));
    EXPECT_THAT(host_.reasons, ElementsAre(::testing::HasSubstr("broken.jpg: ")));
    EXPECT_EQ(host_.events.back(), "message i Picture resize process complete. 2 of 4 pictures "
                                   "could not be processed.");

    // Skipping is a choice, not a failure.
    host_.files.resize(1);
    host_.options.autoRename = false;
    Run();
    EXPECT_EQ(host_.outcomes.back(), "a.bmp skipped");
    EXPECT_EQ(host_.events.back(), "message i Picture resize process complete.");
}

TEST_F(BatchRunTest, ControlCharactersInNamesAreShownEscaped) {
    AddPictures({"new\nline.bmp", "red\x1b[31m.bmp", "back\\slash.bmp"});
    AddRawFile("tab\tbroken.jpg", "x");
    EXPECT_THAT(Run(),
                ElementsAre(Saved("new\\nline.bmp"), Saved("red\\x1b[31m.bmp"),
                            Saved("back\\\\slash.bmp"), "Error processing file: tab\\tbroken.jpg"));
    EXPECT_THAT(DestinationNames(),
                ElementsAre("back\\slash.bmp", "new\nline.bmp", "red\x1b[31m.bmp"));
    for (const std::string& event : host_.events) {
        EXPECT_EQ(event.find_first_of("\n\x1b\t"), std::string::npos) << event;
    }
    // So are the folders in the line that heads a run.
    std::tm start = {};
    start.tm_year = 126;
    start.tm_mon = 11;
    start.tm_mday = 7;
    start.tm_hour = 14;
    start.tm_min = 3;
    JobOptions options;
    options.sourceFolder = "/a/Holi\nday";
    options.destinationFolder = "/b";
    EXPECT_EQ(RunHeading(start, options), "Run of 2026-12-07 14:03: /a/Holi\\nday -> /b");
}

// A BMP output is lossless, so a 1:1 frame shows where the top left source pixel went: a picture
// is turned anticlockwise, and only when it and the frame are of opposite shapes.
TEST_F(BatchRunTest, PicturesAreTurnedWholeOnlyToMeetTheFramesShape) {
    const struct {
        const char* name;
        int w, h, frameW, frameH;
        bool autoRotate, turned;
    } cases[] = {
        {"portrait into landscape", 30, 40, 40, 30, true, true},
        {"landscape into portrait", 40, 30, 30, 40, true, true},
        {"square frame", 30, 40, 30, 30, true, false},
        {"auto rotate off: stretched", 30, 40, 40, 30, false, false},
    };
    host_.options.overwrite = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host_.files.clear();
        AddPicture("p.bmp", c.w, c.h);
        host_.options.newWidth = c.frameW;
        host_.options.newHeight = c.frameH;
        host_.options.autoRotate = c.autoRotate;
        run_.ProcessFile(host_.options.sourceFolder, "p.bmp", true);
        EXPECT_EQ(run_.pictureTurned(), c.turned);
        const Canvas out = Output("p.bmp");
        ASSERT_EQ(std::pair(out.Width(), out.Height()), std::pair(c.frameW, c.frameH));
        EXPECT_EQ(out.Pixel(0, 0), test::CoordinateOf(c.turned ? c.w - 1 : 0, 0));
    }
}

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
