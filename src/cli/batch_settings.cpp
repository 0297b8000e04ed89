#include "batch_settings.h"

#include "presets.h"
#include "settings_keys.h"

#include <system_error>

namespace kalvimo {

namespace {

constexpr int kTwipsPerPixel = 15;

} // namespace

BatchSettings LoadBatchSettings(const std::filesystem::path& settingsFile,
                                const FileLocations& locations) {
    const std::vector<std::string> presets = LoadPresetList(PresetsFile(locations));
    std::error_code error;
    const bool fromFile = std::filesystem::exists(settingsFile, error);
    DefaultInputs inputs;
    inputs.sourceFolder = locations.defaultSource;
    inputs.destinationFolder = locations.defaultDestination;
    inputs.firstPreset = presets.empty() ? "" : presets.front();
    inputs.twipsPerPixel = kTwipsPerPixel;
    const StoredSettings defaults = DefaultSettings(inputs);

    // The state the window starts in, before its settings load; without a file the defaults
    // go through the same rules as the file's texts, as "Default" puts them into the controls.
    StoredSettings start;
    start.newWidth = kInitialWidth;
    start.newHeight = kInitialHeight;
    BatchSettings result;
    StoredSettings s = ReadSettings(
        [&](const SettingsKey& key) {
            return fromFile ? ReadSetting(key, settingsFile) : StoredText(key, defaults);
        },
        start, presets, result.notes);
    // The default destination is taken though it may not exist yet: the run makes it.
    if (!fromFile) {
        s.destinationFolder = defaults.destinationFolder;
        s.filterPattern = kFilterPatterns[kFirstStartFilter];
    }
    result.crop = static_cast<const CropBox&>(s);
    result.options = static_cast<JobOptions&&>(s);
    return result;
}

} // namespace kalvimo
