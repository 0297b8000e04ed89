#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <tiffio.h>
#include <vector>

// What the full TIFF decoder and the shrinking TIFF reader share: libtiff on an open stream, and
// the checks in front of any decoding.
namespace kalvimo::codecs {

struct TiffInput {
    std::FILE* file = nullptr;
    std::int64_t size = 0;
    // The first error libtiff reports is the one worth telling.
    std::string message;
};

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// The file of input, read from its start through the stream alone; input must outlive the
// result. Null when libtiff refuses it, with TiffReason telling why.
TiffPtr OpenTiff(TiffInput& input);

// What libtiff reported first, else fallback.
std::string TiffReason(const TiffInput& input, const char* fallback);

// Sets image up to read the first page's rows as stored (the Orientation tag is the EXIF
// orientation that the run applies), once the layout is one libtiff turns into RGBA and the
// size one the file can hold. tileBuffer must outlive the reading. On success the caller ends
// image; on failure it is ended, with the reason.
bool BeginTiffPage(TIFF* tiff, TiffInput& input, TIFFRGBAImage& image,
                   std::vector<std::uint8_t>& tileBuffer, std::string& reason);

// The page's embedded ICC profile; empty when it has none.
std::vector<std::uint8_t> TiffIccProfile(TIFF* tiff);

} // namespace kalvimo::codecs
