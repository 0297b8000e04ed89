#pragma once

#include "batch_host.h"
#include "canvas.h"
#include "file_writing.h"
#include "frame_drawer.h"
#include "frame_prefetcher.h"
#include "gdiplus.h"

#include <ctime>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace kalvimo {

// Why a run does not start, or stopped: a folder it reads or writes is gone. role is "source"
// or "destination".
std::string FolderGoneMessage(std::string_view role, const std::string& folder);

// The line that heads a run, so that runs one after another in the window's log can be told
// apart: "Run of 2026-12-07 14:03: /home/a/Pictures/Holiday -> /home/a/Pictures/Kalvimo".
std::string RunHeading(const std::tm& start, const JobOptions& options);

// The batch run and its per-picture routine. The window owns one and forwards the process
// button's clicks and the source list's double-clicks to it.
class BatchRun {
public:
    static constexpr int kJpegQuality = 85;

    BatchRun(BatchHost& host, cGdiPlus& gdip);
    ~BatchRun();

    // How many pictures a run prepares at once: with more than one, the frames of the next
    // pictures are drawn on other threads while the current one is written. Nothing else
    // changes: names, log lines and files are those of a run with one job. The pictures drawn at
    // once share memoryBytes (see MemoryBudget).
    void SetJobs(int jobs, std::int64_t memoryBytes = MemoryBudget::kDefaultBytes);

    // The process button: starts a run, or asks the run under way to stop after its picture.
    void PressProcess();

    // One picture: with save, the full processing and the output file; without, a dry run that
    // only renders picDest.
    void ProcessFile(const std::string& folder, const std::string& fileName, bool save);

    [[nodiscard]] bool running() const { return running_; }
    [[nodiscard]] bool stopRequested() const { return stopRequested_; }
    [[nodiscard]] bool fileBusy() const { return fileBusy_; }
    [[nodiscard]] const std::vector<std::string>& lstToDo() const { return lstToDo_; }
    [[nodiscard]] const Canvas& picDest() const { return picDest_; }
    [[nodiscard]] const Canvas& picBuffer() const { return scratch_.buffer; }
    [[nodiscard]] bool pictureTurned() const { return pictureTurned_; }

private:
    // A file by device and inode, however its path is spelled.
    struct FileId {
        dev_t device = 0;
        ino_t inode = 0;
        friend auto operator<=>(const FileId&, const FileId&) = default;
    };
    // What stands at an output name, as far as writing there goes.
    enum class Occupant { None, Replaceable, Protected, Irreplaceable };

    // Reads, turns, fits and saves one picture and reports its outcome; false when the picture
    // could not be read or drawn, with the reason why, so that the caller logs the error.
    bool ProcessPicture(const std::string& folder, const std::string& fileName, bool save,
                        std::string& reason);
    void Report(const std::string& fileName, PictureOutcome outcome,
                const std::string& reason = {});
    [[nodiscard]] Occupant OccupantOf(const std::string& path) const;
    static std::optional<FileId> IdOf(const std::string& path, bool followLink);
    void FinishPicture(const std::string& caption);
    // Draws picDest, by the prefetcher's hand when it has drawn it already, else here.
    FrameResult DrawPictureFrame(const std::string& path, const FrameOrder& order,
                                 const CropPrompt& prompt);
    // Lets the prefetcher start on the pictures from index on.
    void PrefetchFrom(std::size_t index);
    // The options of the run under way, taken when it started, so that a change made meanwhile
    // waits for the next run; outside a run, the host's options as they stand.
    JobOptions Options() const;
    CropBox CropRectangle() const;
    // Why the run cannot start when a folder of it is not there to read or write; else empty.
    // The folder to make is made here, by the first run that writes into it.
    std::string MissingFolder(const JobOptions& options);
    // Makes the host's folder to make when it is the destination and missing; a message when
    // that fails.
    std::string MakeDestination(const std::string& folder);
    // False when the run's destination is no longer the folder it started with (a card pulled
    // out), so that nothing is written in its place.
    [[nodiscard]] bool DestinationStands() const;

    BatchHost& host_;
    cGdiPlus& gdip_;
    bool running_ = false;
    bool stopRequested_ = false;
    bool fileBusy_ = false;
    bool pictureTurned_ = false;
    std::vector<std::string> lstToDo_;
    // Reused for every picture, so a run holds one decoded picture at a time.
    FrameScratch scratch_;
    Canvas picDest_;
    // Never written over: the pictures of the run and what it has written so far (a second
    // picture of the same name must not take the first one's place), and the picture at hand.
    std::set<FileId> sourcesOfRun_;
    std::set<FileId> writtenThisRun_;
    FileId protectedSource_;
    JobOptions runOptions_;
    CropBox runCrop_;
    std::optional<FolderIdentity> runDestination_;
    // Why the run stopped on its own, when it did.
    std::string stopReason_;
    // The answer to every name clash left in the run, once the user has given one.
    std::optional<MessageAnswer> clashAnswer_;
    int pictures_ = 0;
    int failures_ = 0;
    int jobs_ = 1;
    std::unique_ptr<FramePrefetcher> prefetcher_;
};

} // namespace kalvimo
