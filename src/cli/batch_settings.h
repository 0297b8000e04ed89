#pragma once

#include "file_locations.h"
#include "job_options.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kalvimo {

struct BatchSettings {
    JobOptions options;
    CropBox crop;
    // Notes a window would show in message boxes while loading (a preset out of range).
    std::vector<std::string> notes;
};

// The job as the window would hold it after starting with settingsFile: the defaults when the
// file does not exist, else the file's values applied with the window's rules (a missing or
// unreadable value leaves the state the window starts in). The default destination is kept
// though it may not exist yet: the run makes it.
BatchSettings LoadBatchSettings(const std::filesystem::path& settingsFile,
                                const FileLocations& locations);

} // namespace kalvimo
