#pragma once

#include "batch_host.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kalvimo {

// Runs a batch without a window: log lines go to standard output, progress to standard error
// when it is a terminal, and nothing ever waits for an answer.
class ConsoleHost : public BatchHost {
public:
    ConsoleHost(JobOptions options, CropBox crop, std::vector<std::string> files, std::FILE* log,
                std::FILE* progress);

    // True when some picture failed or could not be written.
    [[nodiscard]] bool AnyFailure() const { return anyFailure_; }

    JobOptions Options() override { return options_; }
    CropBox CropRectangle() override { return crop_; }
    int TwipsPerPixel() override { return 15; }
    int SourceFileCount() override { return static_cast<int>(files_.size()); }
    std::string SourceFileName(int index) override;
    bool SourceFileSelected(int) override { return true; }
    void AddLogLine(const std::string& line) override;
    void SetStatus(const std::string& caption) override;
    void SetProcessCaption(const std::string&) override {}
    void SetProgressVisible(bool visible) override;
    void SetProgress(int value) override;
    void RefreshDestinationList() override {}
    void PumpMessages() override {}
    MessageAnswer ShowMessage(const std::string& text, MessageIcon icon,
                              MessageButtons buttons) override;
    // The stored rectangle is used as it is: there is nobody to ask.
    // Counts failures, and says on standard error why a picture could not be processed.
    void ReportOutcome(const std::string& fileName, PictureOutcome outcome,
                       const std::string& reason) override;
    bool CropDialogVisible() override { return true; }
    bool PromptCustomCrop(const Canvas&, const std::string&) override { return false; }

private:
    void DrawProgress();

    JobOptions options_;
    CropBox crop_;
    std::vector<std::string> files_;
    std::FILE* log_;
    std::FILE* progress_; // null when progress is not shown
    int percent_ = 0;
    std::string status_;
    bool anyFailure_ = false;
};

} // namespace kalvimo
