#pragma once

#include "colour.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kalvimo {

// The file-type filter list; its first entry is the default filter. Stored settings name an
// entry by its text, so new entries go at the end.
inline constexpr std::array<std::string_view, 6> kFilterPatterns{
    "*.jpg;*.jpeg;*.bmp;*.gif",
    "*.jpg;*.jpeg",
    "*.gif",
    "*.bmp",
    "*.*",
    "*.jpg;*.jpeg;*.bmp;*.gif;*.png;*.heic;*.heif;*.avif;*.webp;*.tif;*.tiff"};
// The entry a first start, with no settings file, takes: every picture the program reads, so that
// a folder of phone photographs is not empty. "Default" takes the first.
inline constexpr std::size_t kFirstStartFilter = 5;

// How a picture fills the frame. A fitting is its value here, its rule in PlaceFrame
// (geometry.cpp) and its key in the settings table.
enum class Fitting : std::uint8_t {
    Stretch,    // the whole picture, proportions lost
    Letterbox,  // the whole picture, scaled to fit inside, bars in backColour
    AutoCrop,   // a frame-sized piece at the anchor, not scaled
    CustomCrop, // the crop rectangle, scaled to the frame
    Fill,       // scaled to cover the frame, what sticks out cut off at the anchor
};

// The anchor past the nine cells of the grid: the cut falls where the picture's subject is.
inline constexpr std::int16_t kAnchorByContent = 9;

// Every option that shapes a run, with the default that "Default" chooses. The window holds them
// in its controls; a run takes one copy when it starts, so that all its pictures are made alike.
struct JobOptions {
    std::string sourceFolder;
    std::string destinationFolder;
    std::int32_t newWidth = 320;
    std::int32_t newHeight = 240;
    Fitting fitting = Fitting::Stretch;
    bool promptCustomCrop = false;
    std::int16_t anchor = 4;
    Colour backColour = 0;
    bool autoRotate = true;
    bool renameWithDate = false;
    std::string prefix;
    bool suffixExisting = false;
    std::string noDatePrefix = "x_";
    bool overwrite = false;
    bool autoRename = true;
    // A JPEG written carries the source's EXIF, made fit for the frame.
    bool keepInformation = false;
    bool previewOnClick = false;
    bool selectedOnly = true;
    std::string presetText;
    std::string filterPattern{kFilterPatterns[0]};
};

// The custom crop rectangle, in twips from the source picture's top-left corner.
struct CropBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const CropBox&, const CropBox&) = default;
};

} // namespace kalvimo
