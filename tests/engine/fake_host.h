#pragma once

#include "batch_host.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kalvimo::test {

// A scripted window: records every call in order and answers from queues.
class FakeHost : public BatchHost {
public:
    struct Entry {
        std::string name;
        bool selected = true;
    };

    JobOptions options;
    CropBox crop;
    std::vector<Entry> files;
    std::vector<std::string> events;
    // "name outcome" of each picture, and the reasons of the failed ones as "name: reason".
    std::vector<std::string> outcomes;
    std::vector<std::string> reasons;
    std::deque<MessageAnswer> answers;
    std::deque<bool> cropCancels;
    bool cropVisible = false;
    std::string folderToMake;
    int cropPrompts = 0;
    // The size of the picture last shown in the crop prompt.
    std::pair<int, int> promptedSize;
    // Runs at every pump, as a user's click would be handled then.
    std::function<void()> onPump;

    JobOptions Options() override { return options; }
    CropBox CropRectangle() override { return crop; }
    int TwipsPerPixel() override { return 15; }
    int SourceFileCount() override { return static_cast<int>(files.size()); }
    std::string SourceFileName(int i) override {
        return files.at(static_cast<std::size_t>(i)).name;
    }
    bool SourceFileSelected(int i) override {
        return files.at(static_cast<std::size_t>(i)).selected;
    }
    std::string FolderToMake() override { return folderToMake; }
    void AddLogLine(const std::string& line) override { events.push_back("log " + line); }
    void SetStatus(const std::string& caption) override { events.push_back("status " + caption); }
    void SetProcessCaption(const std::string& caption) override {
        events.push_back("caption " + caption);
    }
    void SetProgressVisible(bool visible) override {
        events.push_back(visible ? "bar shown" : "bar hidden");
    }
    void SetProgress(int value) override { events.push_back("progress " + std::to_string(value)); }
    void RefreshDestinationList() override { events.push_back("refresh"); }
    void PumpMessages() override {
        if (onPump) {
            onPump();
        }
    }
    MessageAnswer ShowMessage(const std::string& text, MessageIcon icon,
                              MessageButtons buttons) override {
        events.push_back(std::string("message ") +
                         (icon == MessageIcon::Exclamation ? "! " : "i ") + text);
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : Next(answers, MessageAnswer::No);
    }
    void ReportOutcome(const std::string& fileName, PictureOutcome outcome,
                       const std::string& reason) override {
        static constexpr const char* kNames[] = {"saved", "renamed", "skipped", "could not save",
                                                 "error"};
        outcomes.push_back(fileName + " " + kNames[static_cast<int>(outcome)]);
        if (!reason.empty()) {
            reasons.push_back(fileName + ": " + reason);
        }
    }
    bool CropDialogVisible() override { return cropVisible; }
    bool PromptCustomCrop(const Canvas& picture, const std::string& /*fileName*/) override {
        ++cropPrompts;
        promptedSize = {picture.Width(), picture.Height()};
        return Next(cropCancels, false);
    }
    // The front of the queue, taken off; otherwise when it is empty.
    template <typename T> static T Next(std::deque<T>& queue, T otherwise) {
        if (!queue.empty()) {
            otherwise = queue.front();
            queue.pop_front();
        }
        return otherwise;
    }

    // The events that start with prefix, prefix removed.
    std::vector<std::string> Only(const std::string& prefix) const {
        std::vector<std::string> result;
        for (const std::string& e : events) {
            if (e.rfind(prefix + " ", 0) == 0) {
                result.push_back(e.substr(prefix.size() + 1));
            }
        }
        return result;
    }
};

} // namespace kalvimo::test
