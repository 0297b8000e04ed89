#pragma once

#include "ini_file.h"
#include "presets.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kalvimo {

inline constexpr std::string_view kPathsSection = "Paths";
inline constexpr std::string_view kOptionsSection = "Options";
inline constexpr std::string_view kCustomCroppingSection = "Custom Cropping";

// The file-type filter list; its first entry is the default filter. Stored settings name an
// entry by its text, so new entries go at the end.
inline constexpr std::array<std::string_view, 6> kFilterPatterns{
    "*.jpg;*.jpeg;*.bmp;*.gif",
    "*.jpg;*.jpeg",
    "*.gif",
    "*.bmp",
    "*.*",
    "*.jpg;*.jpeg;*.bmp;*.gif;*.png;*.heic;*.heif;*.avif;*.webp;*.tif;*.tiff"};

// Where a key's default comes from: a fixed text, or a value known only at run time.
enum class DefaultKind {
    Fixed,
    SourceFolder,
    DestinationFolder,
    FirstPreset,
    NewWidth,
    NewHeight,
    CropRight,
    CropBottom
};

struct SettingsKey {
    std::string_view section;
    std::string_view name;
    DefaultKind defaultKind = DefaultKind::Fixed;
    std::string_view fixedDefault = {};
};

namespace keys {

inline constexpr SettingsKey kLastSource{kPathsSection, "Last source", DefaultKind::SourceFolder};
inline constexpr SettingsKey kLastDestination{kPathsSection, "Last destination",
                                              DefaultKind::DestinationFolder};
inline constexpr SettingsKey kPreset{kOptionsSection, "Preset", DefaultKind::FirstPreset};
inline constexpr SettingsKey kNewWidth{kOptionsSection, "New width", DefaultKind::NewWidth};
inline constexpr SettingsKey kNewHeight{kOptionsSection, "New height", DefaultKind::NewHeight};
inline constexpr SettingsKey kFilter{kOptionsSection, "Filter", DefaultKind::Fixed,
                                     kFilterPatterns[0]};
inline constexpr SettingsKey kRename{kOptionsSection, "Rename", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kSuffix{kOptionsSection, "Suffix", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kPrefix{kOptionsSection, "Prefix", DefaultKind::Fixed, ""};
inline constexpr SettingsKey kNoDatePrefix{kOptionsSection, "No Date Prefix", DefaultKind::Fixed,
                                           "x_"};
inline constexpr SettingsKey kStretch{kOptionsSection, "Stretch", DefaultKind::Fixed, "1"};
inline constexpr SettingsKey kLetterBox{kOptionsSection, "LetterBox", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kAutoCrop{kOptionsSection, "AutoCrop", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kCustomCrop{kOptionsSection, "CustomCrop", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kCustomCropPrompt{kOptionsSection, "Custom crop prompt",
                                               DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kPreview{kOptionsSection, "Preview", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kSelected{kOptionsSection, "Selected", DefaultKind::Fixed, "1"};
inline constexpr SettingsKey kRotate{kOptionsSection, "Rotate", DefaultKind::Fixed, "1"};
inline constexpr SettingsKey kOverwrite{kOptionsSection, "Overwrite", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kAutoRename{kOptionsSection, "Auto rename", DefaultKind::Fixed, "1"};
inline constexpr SettingsKey kKeepInformation{kOptionsSection, "Keep information",
                                              DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kAnchor{kOptionsSection, "Anchor", DefaultKind::Fixed, "4"};
inline constexpr SettingsKey kBackColour{kOptionsSection, "Back colour", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kCropLeft{kCustomCroppingSection, "Left", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kCropTop{kCustomCroppingSection, "Top", DefaultKind::Fixed, "0"};
inline constexpr SettingsKey kCropRight{kCustomCroppingSection, "Right", DefaultKind::CropRight};
inline constexpr SettingsKey kCropBottom{kCustomCroppingSection, "Bottom", DefaultKind::CropBottom};
inline constexpr SettingsKey kRestrain{kCustomCroppingSection, "Restrain", DefaultKind::Fixed, "1"};
inline constexpr SettingsKey kKeepProportion{kCustomCroppingSection, "Keep proportion",
                                             DefaultKind::Fixed, "0"};

} // namespace keys

// Every key, in the order in which the file is written.
inline constexpr std::array<SettingsKey, 29> kSettingsKeys{
    keys::kLastSource,      keys::kLastDestination, keys::kPreset,           keys::kNewWidth,
    keys::kNewHeight,       keys::kFilter,          keys::kRename,           keys::kSuffix,
    keys::kPrefix,          keys::kNoDatePrefix,    keys::kStretch,          keys::kLetterBox,
    keys::kAutoCrop,        keys::kCustomCrop,      keys::kCustomCropPrompt, keys::kPreview,
    keys::kSelected,        keys::kRotate,          keys::kOverwrite,        keys::kAutoRename,
    keys::kKeepInformation, keys::kAnchor,          keys::kBackColour,       keys::kCropLeft,
    keys::kCropTop,         keys::kCropRight,       keys::kCropBottom,       keys::kRestrain,
    keys::kKeepProportion,
};

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

// The default of a key, in the form in which it is stored.
std::string DefaultValue(const SettingsKey& key, const DefaultInputs& inputs);

inline std::string ReadSetting(const SettingsKey& key, const std::filesystem::path& file) {
    return ReadIniValue(key.section, key.name, file);
}

inline bool WriteSetting(const SettingsKey& key, std::string_view value,
                         const std::filesystem::path& file) {
    return WriteIniValue(key.section, key.name, value, file);
}

} // namespace kalvimo
