#pragma once

#include "../colour.h"

#include <cstdint>
#include <cstdio>
#include <png.h>
#include <string>
#include <vector>

// What the full PNG decoder and the shrinking PNG reader share: libpng on an open file, the
// checks in front of any decoding, and its rows as 8-bit RGB, or RGBA for a picture with
// transparency.
namespace kalvimo::codecs {

class PngInput {
public:
    PngInput() = default;
    ~PngInput();
    PngInput(const PngInput&) = delete;
    PngInput& operator=(const PngInput&) = delete;

    // Reads the header from the start of file (fileSize bytes) and sets up the rows; false, with
    // the reason, when the file is no PNG of a size it could hold.
    bool Begin(std::FILE* file, std::int64_t fileSize, std::string& reason);

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] bool Alpha() const { return alpha_; }
    // Its rows come in several passes, each adding to all of them.
    [[nodiscard]] bool Interlaced() const { return interlaced_; }
    [[nodiscard]] int RowBytes() const { return width_ * (alpha_ ? 4 : 3); }

    // The next row, RowBytes() long; not for an interlaced picture.
    bool ReadRow(std::uint8_t* row, std::string& reason);
    // Every row, rows[y] RowBytes() long each.
    bool ReadImage(std::uint8_t** rows, std::string& reason);

    [[nodiscard]] std::vector<std::uint8_t> IccProfile() const;

private:
    [[noreturn]] static void OnError(png_structp png, png_const_charp message);
    bool Fail(std::string& reason);

    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    bool alpha_ = false;
    bool interlaced_ = false;
    // Written by the error handler, where nothing may allocate.
    char message_[200] = {};
    // Why the size was refused, apart from libpng's messages.
    std::string sizeReason_;
};

// A row of RGBA pixels painted over back into RGB.
void CompositePngRow(const std::uint8_t* rgba, std::uint8_t* rgb, int width, Rgb back);

} // namespace kalvimo::codecs
