#include "batch_settings.h"

#include "presets.h"
#include "settings_keys.h"
#include "settings_values.h"
#include "text_helpers.h"

#include <system_error>

namespace kalvimo {

namespace {

constexpr int kTwipsPerPixel = 15;

bool Within(std::int32_t v, DimensionLimits limits) {
    return v >= limits.minimum && v <= limits.maximum;
}

// Where the values come from: the settings file when there is one, else the window's defaults.
struct ValueSource {
    std::filesystem::path file;
    bool fromFile = false;
    DefaultInputs defaults;

    [[nodiscard]] std::string Value(const SettingsKey& key) const {
        return fromFile ? ReadSetting(key, file) : DefaultValue(key, defaults);
    }
};

// A folder that is gone is not taken; the default destination is, since the run makes it.
void ReadFolders(const ValueSource& source, JobOptions& o) {
    std::error_code error;
    for (const SettingsKey* key : {&keys::kLastSource, &keys::kLastDestination}) {
        const std::string path = source.Value(*key);
        const bool madeWhenWritten = !source.fromFile && key == &keys::kLastDestination;
        if (!path.empty() && (madeWhenWritten || std::filesystem::exists(path, error))) {
            (key == &keys::kLastSource ? o.sourceFolder : o.destinationFolder) = path;
        }
    }
}

// The preset's size first, then the stored width and height over it.
void ReadSize(const ValueSource& source, const std::vector<std::string>& presets,
              BatchSettings& result) {
    JobOptions& o = result.options;
    if (const auto preset = FindTextIgnoringCase(presets, source.Value(keys::kPreset))) {
        const PresetOutcome outcome =
            ApplyPreset(ParsePresetSize(presets[*preset]), kWidthLimits, kHeightLimits);
        o.presetText = presets[*preset];
        o.newWidth = outcome.size.width;
        o.newHeight = outcome.size.height;
        result.notes.assign(outcome.messages.begin(), outcome.messages.end());
    }
    // A size outside the size controls' range is ignored, as the controls would; without a
    // window to show it, a note says so.
    const auto size = [&](const SettingsKey& key, DimensionLimits limits, std::int32_t& field) {
        const std::string text = source.Value(key);
        const std::int32_t number = ReadWholeValue(text);
        if (Within(number, limits)) {
            field = number;
        } else if (!text.empty()) {
            result.notes.push_back("\"" + std::string(key.name) + "\" " + ShownName(text) +
                                   " in the settings file is outside " +
                                   std::to_string(limits.minimum) + " to " +
                                   std::to_string(limits.maximum) + "; ignored");
        }
    };
    size(keys::kNewWidth, kWidthLimits, o.newWidth);
    size(keys::kNewHeight, kHeightLimits, o.newHeight);
}

// Exactly one fitting is chosen: the last one set wins, and with none set the one chosen
// before stays.
void ReadFitting(const ValueSource& source, JobOptions& o) {
    bool* const fittings[] = {&o.stretch, &o.letterbox, &o.autoCrop, &o.customCrop};
    const SettingsKey* const fittingKeys[] = {&keys::kStretch, &keys::kLetterBox, &keys::kAutoCrop,
                                              &keys::kCustomCrop};
    for (std::size_t i = 0; i < 4; ++i) {
        if (ReadCheckValue(source.Value(*fittingKeys[i]))) {
            for (bool* f : fittings) {
                *f = false;
            }
            *fittings[i] = true;
        }
    }
}

void ReadNamingAndChoices(const ValueSource& source, JobOptions& o) {
    o.renameWithDate = ReadCheckValue(source.Value(keys::kRename));
    o.suffixExisting = ReadCheckValue(source.Value(keys::kSuffix));
    o.prefix = source.Value(keys::kPrefix);
    o.noDatePrefix = source.Value(keys::kNoDatePrefix);
    o.promptCustomCrop = ReadCheckValue(source.Value(keys::kCustomCropPrompt));
    o.previewOnClick = ReadCheckValue(source.Value(keys::kPreview));
    o.selectedOnly = ReadCheckValue(source.Value(keys::kSelected));
    o.autoRotate = ReadCheckValue(source.Value(keys::kRotate));
    o.overwrite = ReadCheckValue(source.Value(keys::kOverwrite));
    o.autoRename = ReadCheckValue(source.Value(keys::kAutoRename));
    o.keepInformation = ReadCheckValue(source.Value(keys::kKeepInformation));
    o.anchor = ReadAnchorValue(source.Value(keys::kAnchor));
    o.backColour = ReadColourValue(source.Value(keys::kBackColour));
}

// The crop rectangle's defaults cover the whole frame of the size just read.
CropBox ReadCrop(ValueSource source, const JobOptions& o) {
    source.defaults.firstPreset.clear();
    source.defaults.currentWidth = o.newWidth;
    source.defaults.currentHeight = o.newHeight;
    const auto edge = [&](const SettingsKey& key) { return ReadWholeValue(source.Value(key)); };
    return {edge(keys::kCropLeft), edge(keys::kCropTop), edge(keys::kCropRight),
            edge(keys::kCropBottom)};
}

} // namespace

BatchSettings LoadBatchSettings(const std::filesystem::path& settingsFile,
                                const FileLocations& locations) {
    const std::vector<std::string> presets = LoadPresetList(PresetsFile(locations));
    std::error_code error;
    ValueSource source{settingsFile, std::filesystem::exists(settingsFile, error), {}};
    source.defaults.sourceFolder = locations.defaultSource;
    source.defaults.destinationFolder = locations.defaultDestination;
    source.defaults.firstPreset = presets.empty() ? "" : presets.front();
    source.defaults.twipsPerPixel = kTwipsPerPixel;

    // The state the window starts in, before its settings load.
    BatchSettings result;
    JobOptions& o = result.options;
    o.newWidth = kInitialWidth;
    o.newHeight = kInitialHeight;
    o.prefix.clear();
    o.noDatePrefix.clear();

    ReadFolders(source, o);
    o.filterPattern = source.Value(keys::kFilter);
    // An empty filter would list nothing; the window shows and applies its first filter then.
    if (o.filterPattern.empty()) {
        o.filterPattern = kFilterPatterns[0];
    }
    ReadSize(source, presets, result);
    ReadFitting(source, o);
    ReadNamingAndChoices(source, o);
    result.crop = ReadCrop(source, o);
    return result;
}

} // namespace kalvimo
