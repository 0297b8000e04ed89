#pragma once

#include "../canvas.h"
#include "../colour.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct heif_context;
struct heif_image;

namespace kalvimo::codecs {

// Starts libheif, with the HEVC decoder of our own, at the first call; whether it could. Safe on
// any thread.
bool StartHeif();

struct HeifContextFree {
    void operator()(heif_context* context) const;
};
struct HeifImageRelease {
    void operator()(heif_image* image) const;
};

// The primary picture of a HEIF or AVIF file, decoded after the checks in front of decoding, as
// planes of 8-bit red, green, blue (and alpha), turned and mirrored as the file says: its own
// transformations are part of the picture, so the EXIF orientation it may carry besides must not
// be applied again.
class HeifPicture {
public:
    // Reads from the start of an open regular file of fileSize bytes; false with a short reason.
    bool Decode(std::FILE* file, std::int64_t fileSize, std::string& reason);
    // Lets go of the decoded planes.
    void Clear();

    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] const std::vector<std::uint8_t>& IccProfile() const { return profile_; }

    // Columns [first, end) of row y as RGB samples at out, transparent ones over back.
    void Row(int y, int first, int end, Rgb back, std::uint8_t* out) const;

private:
    std::unique_ptr<heif_context, HeifContextFree> context_;
    std::unique_ptr<heif_image, HeifImageRelease> image_;
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t> profile_;
    int width_ = 0;
    int height_ = 0;
    bool alpha_ = false;
    bool premultiplied_ = false;
    const std::uint8_t* planes_[4] = {};
    int strides_[4] = {};
};

} // namespace kalvimo::codecs
