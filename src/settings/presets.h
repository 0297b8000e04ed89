#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kalvimo {

// Named target sizes, "name : WIDTHxHEIGHT", in list order (deliberately not sorted by size).
inline constexpr std::array<std::string_view, 13> kBuiltInPresets{
    "QVGA : 320x240",
    "Philips Digital Picture Frame : 720x480",
    "NTSC : 720x480",
    "PAL : 768x576",
    "VGA : 640x480",
    "WVGA : 800x480",
    "SVGA : 800x600",
    "WSVGA : 1024x600",
    "XGA : 1024x768",
    "HD 720 : 1280x720",
    "Standard Resolution : 1280x960",
    "SXGA : 1280x1024",
    "HD 1080 : 1920x1080",
};

struct DimensionLimits {
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
};

// The size controls' limits; the two axes have different maxima, which is why a swap can clamp.
inline constexpr DimensionLimits kWidthLimits{1, 2048};
inline constexpr DimensionLimits kHeightLimits{1, 1600};
// The size controls hold these until a preset or the settings file sets them.
inline constexpr std::int32_t kInitialWidth = 800;
inline constexpr std::int32_t kInitialHeight = 600;

inline constexpr std::string_view kPresetWidthAboveMaximum =
    "Preset width exceeds maximum supported by this program.";
inline constexpr std::string_view kPresetWidthBelowMinimum =
    "Preset width is below the minimum supported by this program.";
inline constexpr std::string_view kPresetHeightAboveMaximum =
    "Preset height exceeds maximum supported by this program.";
inline constexpr std::string_view kPresetHeightBelowMinimum =
    "Preset height is below the minimum supported by this program.";
inline constexpr std::string_view kSwapAdjustedNote =
    "Note: the dimensions were adjusted to fall within the supported limits.";

struct TargetSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const TargetSize&, const TargetSize&) = default;
};

// The entries of a preset file: one per line (CR LF or LF), exactly as written, blank lines
// skipped; a leading UTF-8 byte order mark is not part of the first entry.
std::vector<std::string> SplitPresetFile(std::string_view text);

// The user's presets when a readable file exists at presetsPath (even an empty list), else the
// built-in ones.
std::vector<std::string> LoadPresetList(const std::filesystem::path& presetsPath);

// The size after the first " : ", split at "x" (either letter case); 0 where a number is missing.
TargetSize ParsePresetSize(std::string_view entry);

struct PresetOutcome {
    TargetSize size;
    // The messages to show after the size is set, width's first.
    std::vector<std::string_view> messages;
};

// Applies a preset's size to controls with the given limits: out-of-range values clamp with
// a message each.
PresetOutcome ApplyPreset(TargetSize preset, DimensionLimits widthLimits,
                          DimensionLimits heightLimits);

struct SwapOutcome {
    TargetSize size;
    // When set, kSwapAdjustedNote is shown.
    bool adjusted = false;
};

SwapOutcome SwapDimensions(TargetSize size, DimensionLimits widthLimits,
                           DimensionLimits heightLimits);

// Width over height, computed in double and kept in single precision; newHeight is at least 1.
float ImageScale(std::int32_t newWidth, std::int32_t newHeight);

} // namespace kalvimo
