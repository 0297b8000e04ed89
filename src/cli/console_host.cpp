#include "console_host.h"

#include "text_helpers.h"

#include <utility>

namespace kalvimo {

ConsoleHost::ConsoleHost(JobOptions options, CropBox crop, std::vector<std::string> files,
                         std::FILE* log, std::FILE* progress)
    : options_(std::move(options)), crop_(crop), files_(std::move(files)), log_(log),
      progress_(progress) {
    // Every listed picture is meant; the window's selection has no meaning here.
    options_.selectedOnly = false;
}

std::string ConsoleHost::SourceFileName(int index) {
    return files_.at(static_cast<std::size_t>(index));
}

void ConsoleHost::AddLogLine(const std::string& line) {
    if (progress_ != nullptr) {
        std::fputs("\r\033[K", progress_);
    }
    std::fprintf(log_, "%s\n", line.c_str());
    std::fflush(log_);
    DrawProgress();
}

void ConsoleHost::ReportOutcome(const std::string& fileName, PictureOutcome outcome,
                                const std::string& reason) {
    if (outcome != PictureOutcome::CouldNotSave && outcome != PictureOutcome::Error) {
        return;
    }
    anyFailure_ = true;
    if (!reason.empty()) {
        if (progress_ != nullptr) {
            std::fputs("\r\033[K", progress_);
        }
        std::fprintf(stderr, "kalvimo-batch: %s: %s\n", ShownName(fileName).c_str(),
                     ShownName(reason).c_str());
        DrawProgress();
    }
}

void ConsoleHost::SetStatus(const std::string& caption) {
    status_ = caption;
    DrawProgress();
}

void ConsoleHost::SetProgressVisible(bool visible) {
    if (!visible && progress_ != nullptr) {
        std::fputs("\r\033[K", progress_);
        std::fflush(progress_);
    }
}

void ConsoleHost::SetProgress(int value) {
    percent_ = value;
    DrawProgress();
}

void ConsoleHost::DrawProgress() {
    if (progress_ == nullptr) {
        return;
    }
    std::fprintf(progress_, "\r\033[K%3d%% %s", percent_, status_.c_str());
    std::fflush(progress_);
}

MessageAnswer ConsoleHost::ShowMessage(const std::string& text, MessageIcon icon,
                                       MessageButtons buttons) {
    if (buttons != MessageButtons::Ok) {
        // The overwrite question: a clash nobody can answer is skipped.
        return MessageAnswer::No;
    }
    // Completion is what the exit status says; only a warning is worth a line.
    if (icon == MessageIcon::Exclamation) {
        std::fprintf(stderr, "kalvimo-batch: %s\n", text.c_str());
    }
    return MessageAnswer::Ok;
}

} // namespace kalvimo
