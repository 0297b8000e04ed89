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
    const auto value = [&](const SettingsKey& key) {
        return fromFile ? ReadSetting(key, settingsFile) : DefaultValue(key, inputs);
    };

    // The state the window starts in, before its settings load.
    BatchSettings result;
    JobOptions& o = result.options;
    o.newWidth = kInitialWidth;
    o.newHeight = kInitialHeight;
    o.prefix.clear();
    o.noDatePrefix.clear();

    for (const SettingsKey* key : {&keys::kLastSource, &keys::kLastDestination}) {
        const std::string path = value(*key);
        const bool madeWhenWritten = !fromFile && key == &keys::kLastDestination;
        if (!path.empty() && (madeWhenWritten || std::filesystem::exists(path, error))) {
            (key == &keys::kLastSource ? o.sourceFolder : o.destinationFolder) = path;
        }
    }
    o.filterPattern = value(keys::kFilter);

    const std::string presetText = value(keys::kPreset);
    if (const auto preset = FindTextIgnoringCase(presets, presetText)) {
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
        const std::string text = value(key);
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

    o.renameWithDate = ReadCheckValue(value(keys::kRename));
    o.suffixExisting = ReadCheckValue(value(keys::kSuffix));
    o.prefix = value(keys::kPrefix);
    o.noDatePrefix = value(keys::kNoDatePrefix);
    // Exactly one fitting is chosen: the last one set wins, and with none set the one chosen
    // before stays.
    bool* const fittings[] = {&o.stretch, &o.letterbox, &o.autoCrop, &o.customCrop};
    const SettingsKey* const fittingKeys[] = {&keys::kStretch, &keys::kLetterBox, &keys::kAutoCrop,
                                              &keys::kCustomCrop};
    for (std::size_t i = 0; i < 4; ++i) {
        if (ReadCheckValue(value(*fittingKeys[i]))) {
            for (bool* f : fittings) {
                *f = false;
            }
            *fittings[i] = true;
        }
    }
    o.promptCustomCrop = ReadCheckValue(value(keys::kCustomCropPrompt));
    o.previewOnClick = ReadCheckValue(value(keys::kPreview));
    o.selectedOnly = ReadCheckValue(value(keys::kSelected));
    o.autoRotate = ReadCheckValue(value(keys::kRotate));
    o.overwrite = ReadCheckValue(value(keys::kOverwrite));
    o.autoRename = ReadCheckValue(value(keys::kAutoRename));
    o.keepInformation = ReadCheckValue(value(keys::kKeepInformation));
    o.anchor = ReadAnchorValue(value(keys::kAnchor));
    o.backColour = ReadColourValue(value(keys::kBackColour));

    DefaultInputs cropInputs = inputs;
    cropInputs.firstPreset.clear();
    cropInputs.currentWidth = o.newWidth;
    cropInputs.currentHeight = o.newHeight;
    const auto edge = [&](const SettingsKey& key) {
        return ReadWholeValue(fromFile ? ReadSetting(key, settingsFile)
                                       : DefaultValue(key, cropInputs));
    };
    result.crop = {edge(keys::kCropLeft), edge(keys::kCropTop), edge(keys::kCropRight),
                   edge(keys::kCropBottom)};
    return result;
}

} // namespace kalvimo
