#include "batch_run.h"

#include "geometry.h"
#include "output_name.h"
#include "rotation.h"
#include "rounding.h"
#include "text_helpers.h"
#include "upright_loader.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace kalvimo {

BatchRun::BatchRun(BatchHost& host, cGdiPlus& gdip) : host_(host), gdip_(gdip) {}

BatchRun::~BatchRun() = default;

void BatchRun::SetJobs(int jobs) {
    jobs_ = std::max(jobs, 1);
    prefetcher_.reset();
    if (jobs_ > 1) {
        prefetcher_ = std::make_unique<FramePrefetcher>(jobs_);
    }
}

void BatchRun::PrefetchFrom(std::size_t index) {
    if (!prefetcher_) {
        return;
    }
    const JobOptions options = host_.Options();
    const std::optional<FrameRecipe> recipe = WholePictureRecipe(options, host_.TwipsPerPixel());
    if (!recipe) {
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
    prefetcher_->Schedule(paths, *recipe);
}

bool BatchRun::DrawWholePictureFrame(const std::string& path, const FrameRecipe& recipe) {
    if (prefetcher_) {
        if (std::optional<Canvas> frame = prefetcher_->Take(path, recipe, pictureTurned_)) {
            picDest_.Swap(*frame);
            prefetcher_->Recycle(std::move(*frame));
            return true;
        }
    }
    return ShrinkJpegFrame(path, recipe, picDest_, pictureTurned_, shrinkScratch_);
}

void BatchRun::PressProcess() {
    if (running_) {
        stopRequested_ = true;
        return;
    }
    host_.SetProcessCaption("Stop");
    running_ = true;
    stopRequested_ = false;

    lstToDo_.clear();
    const bool selectedOnly = host_.Options().selectedOnly;
    const int count = host_.SourceFileCount();
    for (int i = 0; i < count; ++i) {
        if (!selectedOnly || host_.SourceFileSelected(i)) {
            lstToDo_.push_back(host_.SourceFileName(i));
        }
    }
    if (lstToDo_.empty()) {
        host_.SetProcessCaption("Process");
        running_ = false;
        host_.ShowMessage("No images are selected in the Source folder.", MessageIcon::Exclamation,
                          MessageButtons::Ok);
        return;
    }

    host_.SetProgressVisible(true);
    for (std::size_t i = 0; i <= lstToDo_.size(); ++i) {
        const std::size_t n = lstToDo_.size();
        host_.SetProgress(static_cast<int>(
            RoundHalfEven(static_cast<double>(i) / static_cast<double>(n) * 100.0)));
        if (i < n) {
            PrefetchFrom(i);
            ProcessFile(host_.Options().sourceFolder, lstToDo_[i], true);
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
    host_.ShowMessage(stopRequested_ ? "Picture resize process has been aborted."
                                     : "Picture resize process complete.",
                      MessageIcon::Information, MessageButtons::Ok);
}

void BatchRun::ProcessFile(const std::string& folder, const std::string& fileName, bool save) {
    if (fileBusy_ || fileName.empty()) {
        return;
    }
    bool done = false;
    try {
        host_.SetStatus("Processing " + fileName + "...");
        host_.PumpMessages();
        fileBusy_ = true;
        done = ProcessPicture(folder, fileName, save);
    } catch (const std::exception&) {
        done = false;
    }
    if (!done) {
        fileBusy_ = false;
        host_.AddLogLine("Error processing file: " + fileName);
        host_.SetStatus("Error processing " + fileName);
        host_.PumpMessages();
    }
}

bool BatchRun::ProcessPicture(const std::string& folder, const std::string& fileName, bool save) {
    const std::string sourcePath = AddBackslash(folder) + fileName;
    std::string outputPath;
    if (save) {
        const std::optional<std::string> path = OutputPath(host_.Options(), fileName, sourcePath);
        if (!path) {
            return false;
        }
        outputPath = *path;
    }

    const JobOptions frameOptions = host_.Options();
    const std::optional<FrameRecipe> recipe =
        WholePictureRecipe(frameOptions, host_.TwipsPerPixel());
    const bool wholePicture = recipe &&
                              !(frameOptions.customCrop && frameOptions.promptCustomCrop) &&
                              DrawWholePictureFrame(sourcePath, *recipe);
    if (!wholePicture) {
        std::string error;
        if (!LoadUprightPicture(sourcePath, picSrc_, picBuffer_, host_.Options().backColour,
                                error)) {
            return false;
        }

        if (!AutoRotate()) {
            return false;
        }

        const JobOptions cropOptions = host_.Options();
        if (cropOptions.customCrop && cropOptions.promptCustomCrop && !host_.CropDialogVisible()) {
            // The rectangle is drawn on the picture it will cut, turned or not.
            if (host_.PromptCustomCrop(FramePicture())) {
                host_.AddLogLine("Skipped file: " + fileName);
                FinishPicture("Skipped " + fileName);
                return true;
            }
        }

        if (!RenderFrame(FramePicture(), picDest_, host_.Options(), host_.CropRectangle(),
                         host_.TwipsPerPixel())) {
            return false;
        }
    }

    if (save && OrdinaryFileExists(outputPath) && !host_.Options().overwrite) {
        if (host_.Options().autoRename) {
            outputPath = UniqueFileName(outputPath);
            host_.AddLogLine("Renamed file: " + fileName + " to " + FileNameOf(outputPath));
        } else if (host_.ShowMessage(outputPath + " already exists! Overwrite?",
                                     MessageIcon::Exclamation,
                                     MessageButtons::YesNo) == MessageAnswer::No) {
            host_.AddLogLine("Skipped file: " + fileName);
            save = false;
        }
    }
    if (save) {
        if (gdip_.PictureBoxToFile(picDest_, outputPath, kJpegQuality)) {
            host_.AddLogLine("Saved file: " + outputPath);
        } else {
            host_.AddLogLine("Could not save file: " + outputPath);
        }
    }

    FinishPicture(save ? "Finished processing " + fileName
                       : "Finished preview processing " + fileName);
    return true;
}

bool BatchRun::AutoRotate() {
    pictureTurned_ = false;
    const JobOptions options = host_.Options();
    if (!options.autoRotate ||
        !NeedsQuarterTurn(options.newWidth, options.newHeight, picSrc_.Width(), picSrc_.Height())) {
        return true;
    }
    pictureTurned_ = true;
    return RotatePicture(picBuffer_, picSrc_);
}

void BatchRun::FinishPicture(const std::string& caption) {
    fileBusy_ = false;
    host_.SetStatus(caption);
    host_.PumpMessages();
}

} // namespace kalvimo
