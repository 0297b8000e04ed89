#pragma once

#include "canvas.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Pictures in the formats phones, web pages and scanners hand out, made by those formats' own
// libraries from pixels the tests know.
namespace kalvimo::test {

// A TIFF block of EXIF properties (key, value), as HEIF and WebP files carry it.
std::string ExifBlock(const std::vector<std::pair<std::string, std::string>>& properties);

struct HeifOptions {
    bool av1 = false;
    // 1 to 8 as in EXIF: how the stored picture is to be shown, written as the file's own
    // turning and mirroring.
    int orientation = 1;
    std::string exif{};
    // Opacity of the left half of the picture; the right half is opaque.
    int leftAlpha = 255;
    std::string iccProfile{};
};
// Fails the test when the file cannot be made.
void WriteHeif(const std::string& path, const Canvas& picture, const HeifOptions& options);

struct WebpOptions {
    bool lossless = true;
    int leftAlpha = 255;
    std::string exif{};
    // An animation whose second frame is black.
    bool animated = false;
    std::string iccProfile{};
};
void WriteWebp(const std::string& path, const Canvas& picture, const WebpOptions& options);

enum class TiffLayout { Rgb, RgbAlpha, Grey, Palette, Cmyk };
struct TiffOptions {
    TiffLayout layout = TiffLayout::Rgb;
    int bitsPerSample = 8;
    int orientation = 1;
    std::string dateTime{};
    bool tiled = false;
    bool deflate = false;
    int leftAlpha = 255;
    std::string iccProfile{};
};
// The TIFF's samples come from picture: grey is its red, CMYK the complement of its colours
// with no black, a palette picture's indices its red.
void WriteTiff(const std::string& path, const Canvas& picture, const TiffOptions& options);

} // namespace kalvimo::test
