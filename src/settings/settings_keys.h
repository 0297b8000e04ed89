#pragma once

#include "ini_file.h"
#include "job_options.h"
#include "presets.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kalvimo {

// Everything the settings file holds: the job's options and the custom crop record. One
// record, so that each key can name its field by a member pointer.
struct StoredSettings : JobOptions, CropBox {
    bool restrainDimensions = true;
    bool keepProportions = false;
};

// How a stored text becomes its field. The kinds differ in the rule a window applies to a
// value it cannot take.
enum class ValueKind {
    Folder,  // taken only when it names something
    Preset,  // found without regard to case; choosing another one sets the size
    Size,    // pixels, taken only within the key's limits
    Filter,  // empty stands for the first filter
    Text,    // as it stands
    Check,   // "0" / "1"
    Fitting, // "0" / "1", whether the key's fitting is the one chosen; the last one set wins
    Anchor,  // 0 to 8 on the grid, 9 by content
    Colour,  // red + 256 x green + 65536 x blue
    Twips,   // a crop edge
};

using SettingsField = std::variant<std::string StoredSettings::*, bool StoredSettings::*,
                                   std::int16_t StoredSettings::*, std::int32_t StoredSettings::*,
                                   Colour StoredSettings::*, Fitting StoredSettings::*>;

struct SettingsKey {
    std::string_view section;
    std::string_view name;
    ValueKind kind;
    SettingsField field;
    DimensionLimits limits = {};
    // The fitting a Fitting key stands for.
    Fitting choice = {};
};

inline constexpr std::string_view kPathsSection = "Paths";
inline constexpr std::string_view kOptionsSection = "Options";
inline constexpr std::string_view kCustomCroppingSection = "Custom Cropping";

namespace settings_detail {

template <class T, class Record> constexpr SettingsField Field(T Record::*field) {
    return static_cast<T StoredSettings::*>(field);
}

constexpr SettingsKey Path(std::string_view name, std::string JobOptions::*field) {
    return {kPathsSection, name, ValueKind::Folder, Field(field)};
}

template <class T, class Record>
constexpr SettingsKey Option(std::string_view name, ValueKind kind, T Record::*field,
                             DimensionLimits limits = {}) {
    return {kOptionsSection, name, kind, Field(field), limits};
}

constexpr SettingsKey Choice(std::string_view name, Fitting choice) {
    return {kOptionsSection, name, ValueKind::Fitting, Field(&JobOptions::fitting), {}, choice};
}

template <class T, class Record>
constexpr SettingsKey Crop(std::string_view name, ValueKind kind, T Record::*field) {
    return {kCustomCroppingSection, name, kind, Field(field)};
}

} // namespace settings_detail

// Every key, in the order in which the file is written. Loading, saving, "Default" and
// kalvimo-batch all go through this table; a key's default is its field's in a
// default-made StoredSettings, or, for the folders, the preset and the sizes, the one
// DefaultSettings works out.
inline constexpr auto kSettingsKeys = [] {
    using namespace settings_detail;
    using F = Fitting;
    using enum ValueKind;
    using O = JobOptions;
    return std::array{
        Path("Last source", &O::sourceFolder),
        Path("Last destination", &O::destinationFolder),
        Option("Preset", Preset, &O::presetText),
        Option("New width", Size, &O::newWidth, kWidthLimits),
        Option("New height", Size, &O::newHeight, kHeightLimits),
        Option("Filter", Filter, &O::filterPattern),
        Option("Rename", Check, &O::renameWithDate),
        Option("Suffix", Check, &O::suffixExisting),
        Option("Prefix", Text, &O::prefix),
        Option("No Date Prefix", Text, &O::noDatePrefix),
        Choice("Stretch", F::Stretch),
        Choice("LetterBox", F::Letterbox),
        Choice("AutoCrop", F::AutoCrop),
        Choice("CustomCrop", F::CustomCrop),
        Choice("Fill", F::Fill),
        Option("Custom crop prompt", Check, &O::promptCustomCrop),
        Option("Preview", Check, &O::previewOnClick),
        Option("Selected", Check, &O::selectedOnly),
        Option("Rotate", Check, &O::autoRotate),
        Option("Overwrite", Check, &O::overwrite),
        Option("Auto rename", Check, &O::autoRename),
        Option("Keep information", Check, &O::keepInformation),
        Option("Anchor", Anchor, &O::anchor),
        Option("Back colour", Colour, &O::backColour),
        Crop("Left", Twips, &CropBox::left),
        Crop("Top", Twips, &CropBox::top),
        Crop("Right", Twips, &CropBox::right),
        Crop("Bottom", Twips, &CropBox::bottom),
        Crop("Restrain", Check, &StoredSettings::restrainDimensions),
        Crop("Keep proportion", Check, &StoredSettings::keepProportions),
    };
}();

// A kind reads its text into one type of field only.
consteval bool KindsFitFields() {
    for (const SettingsKey& key : kSettingsKeys) {
        bool fits = false;
        switch (key.kind) {
        case ValueKind::Folder:
        case ValueKind::Preset:
        case ValueKind::Filter:
        case ValueKind::Text:
            fits = std::holds_alternative<std::string StoredSettings::*>(key.field);
            break;
        case ValueKind::Check:
            fits = std::holds_alternative<bool StoredSettings::*>(key.field);
            break;
        case ValueKind::Fitting:
            fits = std::holds_alternative<Fitting StoredSettings::*>(key.field);
            break;
        case ValueKind::Anchor:
            fits = std::holds_alternative<std::int16_t StoredSettings::*>(key.field);
            break;
        case ValueKind::Size:
            fits = std::holds_alternative<std::int32_t StoredSettings::*>(key.field) &&
                   key.limits.minimum <= key.limits.maximum && key.limits.maximum > 0;
            break;
        case ValueKind::Twips:
            fits = std::holds_alternative<std::int32_t StoredSettings::*>(key.field);
            break;
        case ValueKind::Colour:
            fits = std::holds_alternative<Colour StoredSettings::*>(key.field);
            break;
        }
        if (!fits) {
            return false;
        }
    }
    return true;
}
static_assert(KindsFitFields());

// What the run-time defaults depend on.
struct DefaultInputs {
    std::string sourceFolder;
    std::string destinationFolder;
    // "" when the preset list is empty; the size then stays at the controls' current values.
    std::string firstPreset;
    std::int32_t currentWidth = kInitialWidth;
    std::int32_t currentHeight = kInitialHeight;
    std::int32_t twipsPerPixel = 15;
};

// What "Default" chooses: the first preset's size, clamped, and a crop rectangle over the
// whole frame of it.
StoredSettings DefaultSettings(const DefaultInputs& inputs);

// A field in the form in which it is stored.
std::string StoredText(const SettingsKey& key, const StoredSettings& settings);

// Every key, in the table's order; false when one could not be written.
bool WriteSettings(const StoredSettings& settings, const std::filesystem::path& file);

// The stored texts over start, with the window's rules: a missing key reads as empty, and a
// value the window's control would refuse leaves start's. notes gets what a window would show
// in message boxes (a preset out of range) or would pass over silently (a size out of range).
StoredSettings ReadSettings(const std::function<std::string(const SettingsKey&)>& text,
                            StoredSettings start, const std::vector<std::string>& presets,
                            std::vector<std::string>& notes);

inline std::string ReadSetting(const SettingsKey& key, const std::filesystem::path& file) {
    return ReadIniValue(key.section, key.name, file);
}

inline bool WriteSetting(const SettingsKey& key, std::string_view value,
                         const std::filesystem::path& file) {
    return WriteIniValue(key.section, key.name, value, file);
}

} // namespace kalvimo
