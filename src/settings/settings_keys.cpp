#include "settings_keys.h"

#include "settings_values.h"
#include "text_helpers.h"

#include <system_error>

namespace kalvimo {

namespace {

template <class T> T& FieldOf(StoredSettings& settings, const SettingsKey& key) {
    return settings.*std::get<T StoredSettings::*>(key.field);
}

template <class T> const T& FieldOf(const StoredSettings& settings, const SettingsKey& key) {
    return settings.*std::get<T StoredSettings::*>(key.field);
}

std::string OutOfRangeNote(const SettingsKey& key, const std::string& text) {
    return "\"" + std::string(key.name) + "\" " + ShownName(text) +
           " in the settings file is outside " + std::to_string(key.limits.minimum) + " to " +
           std::to_string(key.limits.maximum) + "; ignored";
}

} // namespace

StoredSettings DefaultSettings(const DefaultInputs& inputs) {
    StoredSettings settings;
    settings.sourceFolder = inputs.sourceFolder;
    settings.destinationFolder = inputs.destinationFolder;
    settings.presetText = inputs.firstPreset;
    TargetSize size{inputs.currentWidth, inputs.currentHeight};
    if (!inputs.firstPreset.empty()) {
        size = ApplyPreset(ParsePresetSize(inputs.firstPreset), kWidthLimits, kHeightLimits).size;
    }
    settings.newWidth = size.width;
    settings.newHeight = size.height;
    settings.right = size.width * inputs.twipsPerPixel;
    settings.bottom = size.height * inputs.twipsPerPixel;
    return settings;
}

std::string StoredText(const SettingsKey& key, const StoredSettings& settings) {
    switch (key.kind) {
    case ValueKind::Folder:
    case ValueKind::Preset:
    case ValueKind::Filter:
    case ValueKind::Text:
        return FieldOf<std::string>(settings, key);
    case ValueKind::Check:
        return FieldOf<bool>(settings, key) ? "1" : "0";
    case ValueKind::Fitting:
        return FieldOf<Fitting>(settings, key) == key.choice ? "1" : "0";
    case ValueKind::Anchor:
        return std::to_string(FieldOf<std::int16_t>(settings, key));
    case ValueKind::Size:
    case ValueKind::Twips:
        return std::to_string(FieldOf<std::int32_t>(settings, key));
    case ValueKind::Colour:
        return ColourText(FieldOf<Colour>(settings, key));
    }
    return {};
}

bool WriteSettings(const StoredSettings& settings, const std::filesystem::path& file) {
    bool written = true;
    for (const SettingsKey& key : kSettingsKeys) {
        written = WriteSetting(key, StoredText(key, settings), file) && written;
    }
    return written;
}

StoredSettings ReadSettings(const std::function<std::string(const SettingsKey&)>& text,
                            StoredSettings start, const std::vector<std::string>& presets,
                            std::vector<std::string>& notes) {
    StoredSettings s = std::move(start);
    for (const SettingsKey& key : kSettingsKeys) {
        const std::string value = text(key);
        switch (key.kind) {
        case ValueKind::Folder: {
            std::error_code error;
            if (!value.empty() && std::filesystem::exists(value, error)) {
                FieldOf<std::string>(s, key) = value;
            }
            break;
        }
        case ValueKind::Preset: {
            // Choosing the entry already chosen changes nothing, as in the window's list.
            const auto found = FindTextIgnoringCase(presets, value);
            if (found && presets[*found] != s.presetText) {
                const PresetOutcome outcome =
                    ApplyPreset(ParsePresetSize(presets[*found]), kWidthLimits, kHeightLimits);
                FieldOf<std::string>(s, key) = presets[*found];
                s.newWidth = outcome.size.width;
                s.newHeight = outcome.size.height;
                notes.insert(notes.end(), outcome.messages.begin(), outcome.messages.end());
            }
            break;
        }
        case ValueKind::Size: {
            const std::int32_t number = ReadWholeValue(value);
            if (number >= key.limits.minimum && number <= key.limits.maximum) {
                FieldOf<std::int32_t>(s, key) = number;
            } else if (!value.empty()) {
                notes.push_back(OutOfRangeNote(key, value));
            }
            break;
        }
        case ValueKind::Filter:
            FieldOf<std::string>(s, key) = value.empty() ? std::string(kFilterPatterns[0]) : value;
            break;
        case ValueKind::Text:
            FieldOf<std::string>(s, key) = value;
            break;
        case ValueKind::Check:
            FieldOf<bool>(s, key) = ReadCheckValue(value);
            break;
        case ValueKind::Fitting:
            // Clearing the chosen fitting leaves it chosen.
            if (ReadCheckValue(value)) {
                FieldOf<Fitting>(s, key) = key.choice;
            }
            break;
        case ValueKind::Anchor:
            FieldOf<std::int16_t>(s, key) = ReadAnchorValue(value);
            break;
        case ValueKind::Colour:
            FieldOf<Colour>(s, key) = ReadColourValue(value);
            break;
        case ValueKind::Twips:
            FieldOf<std::int32_t>(s, key) = ReadWholeValue(value);
            break;
        }
    }
    return s;
}

} // namespace kalvimo
