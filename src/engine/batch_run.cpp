#include "batch_run.h"

#include "file_writing.h"
#include "geometry.h"
#include "kept_exif.h"
#include "output_name.h"
#include "rounding.h"
#include "text_helpers.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <filesystem>
#include <malloc.h>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvimo {

namespace {

// The rectangle is then asked for on each picture, which only the run's own thread can do.
bool AsksForCrop(const JobOptions& options) {
    return options.fitting == Fitting::CustomCrop && options.promptCustomCrop;
}

} // namespace

BatchRun::BatchRun(BatchHost& host, cGdiPlus& gdip) : host_(host), gdip_(gdip) {
    // A picture takes and frees blocks of megabytes on several threads; each block mapped on its
    // own goes back to the system when freed, rather than stay in the heap of the thread that
    // drew it (some 90 MB of two jobs' peak on 12-megapixel HEIC photographs).
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // What a decoder frees below that at the end of each picture stays for the next: trimmed
    // off the heap, it came back as fresh pages, each faulted in and cleared anew (some 300 for
    // a 12-megapixel JPEG, 7 % of a run's processor time).
    ::mallopt(M_TRIM_THRESHOLD, 4 << 20);
}

BatchRun::~BatchRun() = default;

void BatchRun::SetJobs(int jobs, std::int64_t memoryBytes) {
    jobs_ = std::max(jobs, 1);
    prefetcher_.reset();
    if (jobs_ > 1) {
        prefetcher_ = std::make_unique<FramePrefetcher>(jobs_, memoryBytes);
    }
}

void BatchRun::PrefetchFrom(std::size_t index) {
    const JobOptions options = Options();
    if (!prefetcher_ || AsksForCrop(options)) {
        return;
    }
    std::vector<std::string> paths;
    const std::string folder = AddBackslash(options.sourceFolder);
    // The picture at hand too, so this thread only writes; and twice as many as there are
    // threads, so none waits while it does.
    for (std::size_t i = index;
         i < lstToDo_.size() && i <= index + 2 * static_cast<std::size_t>(jobs_); ++i) {
        paths.push_back(folder + lstToDo_[i]);
    }
    prefetcher_->Schedule(paths, FrameOrderOf(options, CropRectangle(), host_.TwipsPerPixel()));
}

FrameResult BatchRun::DrawPictureFrame(const std::string& path, const FrameOrder& order,
                                       const CropPrompt& prompt) {
    FrameResult result;
    if (prefetcher_ && !prompt) {
        result = prefetcher_->Take(path, order, picDest_, [this] { host_.PumpMessages(); });
    }
    if (result.kind == FrameResult::Kind::NotDrawn) {
        // Drawn here beside the prefetcher's pictures, it keeps to their budget.
        std::optional<MemoryBudget::Drawing> drawing;
        if (prefetcher_) {
            drawing.emplace(prefetcher_->Budget());
        }
        result = DrawFrame(path, order, picDest_, scratch_, prompt);
    }
    pictureTurned_ = result.pictureTurned;
    return result;
}

void BatchRun::PressProcess() {
    if (running_) {
        stopRequested_ = true;
        return;
    }
    const JobOptions options = host_.Options();
    host_.SetProcessCaption("Stop");
    running_ = true;
    stopRequested_ = false;
    stopReason_.clear();
    clashAnswer_.reset();
    runOptions_ = options;
    runCrop_ = host_.CropRectangle();

    lstToDo_.clear();
    const bool selectedOnly = options.selectedOnly;
    const int count = host_.SourceFileCount();
    for (int i = 0; i < count; ++i) {
        if (!selectedOnly || host_.SourceFileSelected(i)) {
            lstToDo_.push_back(host_.SourceFileName(i));
        }
    }
    const std::string refusal = lstToDo_.empty()
                                    ? std::string("No images are selected in the Source folder.")
                                    : MissingFolder(options);
    if (!refusal.empty()) {
        host_.SetProcessCaption("Process");
        running_ = false;
        host_.ShowMessage(refusal, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }

    const std::time_t now = std::time(nullptr);
    std::tm start = {};
    host_.RunStarted(RunHeading(*localtime_r(&now, &start), options));
    pictures_ = 0;
    failures_ = 0;
    writtenThisRun_.clear();
    sourcesOfRun_.clear();
    for (const std::string& name : lstToDo_) {
        if (const std::optional<FileId> id =
                IdOf(AddBackslash(options.sourceFolder) + name, true)) {
            sourcesOfRun_.insert(*id);
        }
    }
    runDestination_ = IdentityOf(options.destinationFolder);
    RemoveAbandonedTemporaries(options.destinationFolder);

    host_.SetProgressVisible(true);
    for (std::size_t i = 0; i <= lstToDo_.size(); ++i) {
        const std::size_t n = lstToDo_.size();
        host_.SetProgress(static_cast<int>(
            RoundHalfEven(static_cast<double>(i) / static_cast<double>(n) * 100.0)));
        if (i < n) {
            PrefetchFrom(i);
            ProcessFile(options.sourceFolder, lstToDo_[i], true);
        }
        host_.PumpMessages();
        if (stopRequested_) {
            break;
        }
    }

    if (prefetcher_) {
        prefetcher_->Clear();
    }
    running_ = false;
    host_.SetProgressVisible(false);
    host_.SetProcessCaption("Process");
    host_.RefreshDestinationList();
    std::string message = stopRequested_ ? "Picture resize process has been aborted."
                                         : "Picture resize process complete.";
    if (!stopReason_.empty()) {
        message += " " + stopReason_;
    }
    if (failures_ > 0) {
        message += ' ' + std::to_string(failures_) + " of " + std::to_string(pictures_) +
                   (pictures_ == 1 ? " picture" : " pictures") + " could not be processed.";
    }
    host_.ShowMessage(message, MessageIcon::Information, MessageButtons::Ok);
}

void BatchRun::ProcessFile(const std::string& folder, const std::string& fileName, bool save) {
    if (fileBusy_ || fileName.empty()) {
        return;
    }
    const std::string shown = ShownName(fileName);
    bool done = false;
    std::string reason;
    try {
        host_.SetStatus("Processing " + shown + "...");
        host_.PumpMessages();
        fileBusy_ = true;
        done = ProcessPicture(folder, fileName, save, reason);
    } catch (const std::bad_alloc&) {
        reason = "not enough memory";
    } catch (const std::exception& e) {
        reason = e.what();
    }
    if (!done) {
        fileBusy_ = false;
        host_.AddLogLine("Error processing file: " + shown);
        Report(fileName, PictureOutcome::Error, reason);
        host_.SetStatus("Error processing " + shown);
        host_.PumpMessages();
    }
}

void BatchRun::Report(const std::string& fileName, PictureOutcome outcome,
                      const std::string& reason) {
    ++pictures_;
    if (outcome == PictureOutcome::CouldNotSave || outcome == PictureOutcome::Error) {
        ++failures_;
    }
    host_.ReportOutcome(fileName, outcome, reason);
}

BatchRun::Occupant BatchRun::OccupantOf(const std::string& path) const {
    struct stat entry {};
    if (::lstat(path.c_str(), &entry) != 0) {
        return Occupant::None;
    }
    const auto isProtected = [this](const std::optional<FileId>& id) {
        return id && (protectedSource_ == *id ||
                      (running_ && (sourcesOfRun_.contains(*id) || writtenThisRun_.contains(*id))));
    };
    if (isProtected(FileId{entry.st_dev, entry.st_ino}) || isProtected(IdOf(path, true))) {
        return Occupant::Protected;
    }
    // A link is replaced, never what it points to; a folder, pipe, socket or device, or a file
    // its owner made read-only, is not ours to replace.
    if (S_ISLNK(entry.st_mode) || (S_ISREG(entry.st_mode) && (entry.st_mode & 0222) != 0 &&
                                   ::access(path.c_str(), W_OK) == 0)) {
        return Occupant::Replaceable;
    }
    return Occupant::Irreplaceable;
}

std::optional<BatchRun::FileId> BatchRun::IdOf(const std::string& path, bool followLink) {
    struct stat info {};
    if ((followLink ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info)) != 0) {
        return std::nullopt;
    }
    return FileId{info.st_dev, info.st_ino};
}

bool BatchRun::ProcessPicture(const std::string& folder, const std::string& fileName, bool save,
                              std::string& reason) {
    const std::string shown = ShownName(fileName);
    const std::string sourcePath = AddBackslash(folder) + fileName;
    protectedSource_ = IdOf(sourcePath, true).value_or(FileId{});
    // One copy for the whole picture: outside a run each call would ask the host again.
    const JobOptions options = Options();
    std::string outputPath;
    if (save) {
        const std::optional<std::string> path = OutputPath(options, fileName, sourcePath, gdip_);
        if (!path) {
            reason = "the file is gone or its date cannot be read";
            return false;
        }
        outputPath = *path;
    }

    CropPrompt prompt;
    if (AsksForCrop(options)) {
        prompt = [this, &fileName](const Canvas& picture) -> std::optional<CropBox> {
            if (!host_.CropDialogVisible() && host_.PromptCustomCrop(picture, fileName)) {
                return std::nullopt;
            }
            return CropRectangle();
        };
    }
    const FrameResult result = DrawPictureFrame(
        sourcePath, FrameOrderOf(options, CropRectangle(), host_.TwipsPerPixel()), prompt);
    if (result.kind == FrameResult::Kind::Skipped) {
        host_.AddLogLine("Skipped file: " + shown);
        Report(fileName, PictureOutcome::Skipped);
        FinishPicture("Skipped " + shown);
        return true;
    }
    if (result.kind != FrameResult::Kind::Drawn) {
        reason = result.reason;
        return false;
    }

    bool replace = false;
    bool renamed = false;
    const Occupant occupant = save ? OccupantOf(outputPath) : Occupant::None;
    if (occupant != Occupant::None) {
        // A source of this run, or a picture it wrote, is settled as if overwriting were off.
        if (options.overwrite && occupant != Occupant::Protected) {
            replace = true;
        } else if (options.autoRename) {
            outputPath = UniqueFileName(outputPath, [&](const std::string& candidate) {
                return options.overwrite && OccupantOf(candidate) == Occupant::Replaceable;
            });
            replace = EntryExists(outputPath);
            renamed = true;
            host_.AddLogLine("Renamed file: " + shown + " to " + ShownName(FileNameOf(outputPath)));
        } else {
            const MessageAnswer answer =
                clashAnswer_ ? *clashAnswer_
                             : host_.ShowMessage(
                                   ShownName(outputPath) + " already exists! Overwrite?",
                                   MessageIcon::Exclamation,
                                   running_ ? MessageButtons::YesNoToAll : MessageButtons::YesNo);
            if (answer == MessageAnswer::YesToAll || answer == MessageAnswer::NoToAll) {
                clashAnswer_ = answer;
            }
            if (answer == MessageAnswer::No || answer == MessageAnswer::NoToAll) {
                host_.AddLogLine("Skipped file: " + shown);
                Report(fileName, PictureOutcome::Skipped);
                save = false;
            } else {
                replace = true;
            }
        }
    }
    if (save && !DestinationStands()) {
        // Whatever is left would fail the same way: one line, and the run stops.
        host_.AddLogLine("Could not save file: " + ShownName(outputPath));
        Report(fileName, PictureOutcome::CouldNotSave, "the destination folder is gone");
        stopRequested_ = true;
        stopReason_ = FolderGoneMessage("destination", options.destinationFolder);
        FinishPicture("Finished processing " + shown);
        return true;
    }
    if (save) {
        std::vector<std::uint8_t> exif;
        if (options.keepInformation && gdip_.WritesJpeg(outputPath)) {
            exif = KeptExif(sourcePath, picDest_.Width(), picDest_.Height());
        }
        const bool written =
            (!replace || OccupantOf(outputPath) != Occupant::Irreplaceable) &&
            gdip_.PictureBoxToFile(picDest_, outputPath, kJpegQuality,
                                   replace ? ExistingEntry::Replace : ExistingEntry::Keep, exif);
        if (written) {
            if (running_) {
                if (const std::optional<FileId> id = IdOf(outputPath, false)) {
                    writtenThisRun_.insert(*id);
                }
            }
            host_.AddLogLine("Saved file: " + ShownName(outputPath));
            Report(fileName, renamed ? PictureOutcome::Renamed : PictureOutcome::Saved);
        } else {
            host_.AddLogLine("Could not save file: " + ShownName(outputPath));
            Report(fileName, PictureOutcome::CouldNotSave);
        }
    }

    FinishPicture(save ? "Finished processing " + shown : "Finished preview processing " + shown);
    return true;
}

JobOptions BatchRun::Options() const {
    return running_ ? runOptions_ : host_.Options();
}

CropBox BatchRun::CropRectangle() const {
    // A rectangle asked for on each picture is the one given at that picture's prompt.
    return running_ && !runOptions_.promptCustomCrop ? runCrop_ : host_.CropRectangle();
}

std::string BatchRun::MissingFolder(const JobOptions& options) {
    if (!IdentityOf(options.sourceFolder)) {
        return FolderGoneMessage("source", options.sourceFolder);
    }
    if (std::string failure = MakeDestination(options.destinationFolder); !failure.empty()) {
        return failure;
    }
    if (!IdentityOf(options.destinationFolder)) {
        return FolderGoneMessage("destination", options.destinationFolder);
    }
    return {};
}

std::string BatchRun::MakeDestination(const std::string& folder) {
    const std::string toMake = host_.FolderToMake();
    const auto same = [](const std::string& a, const std::string& b) {
        return (std::filesystem::path(a) / "").lexically_normal() ==
               (std::filesystem::path(b) / "").lexically_normal();
    };
    std::error_code error;
    if (toMake.empty() || !same(folder, toMake) || std::filesystem::exists(folder, error) ||
        std::filesystem::create_directories(folder, error)) {
        return {};
    }
    return "The destination folder " + ShownName(folder) +
           " could not be made: " + error.message() + ".";
}

bool BatchRun::DestinationStands() const {
    return !running_ || IdentityOf(runOptions_.destinationFolder) == runDestination_;
}

std::string FolderGoneMessage(std::string_view role, const std::string& folder) {
    return "The " + std::string(role) + " folder " + ShownName(folder) + " is no longer there.";
}

std::string RunHeading(const std::tm& start, const JobOptions& options) {
    char time[32] = {};
    std::strftime(time, sizeof time, "%Y-%m-%d %H:%M", &start);
    return "Run of " + std::string(time) + ": " + ShownName(options.sourceFolder) + " -> " +
           ShownName(options.destinationFolder);
}

void BatchRun::FinishPicture(const std::string& caption) {
    fileBusy_ = false;
    host_.SetStatus(caption);
    host_.PumpMessages();
}

} // namespace kalvimo
