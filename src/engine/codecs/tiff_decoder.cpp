#include "codec_internal.h"
#include "codec_table.h"
#include "tiff_input.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace kalvimo::codecs {

namespace {

// Rows are turned into RGB this many pixels at a time at most, whatever the strips hold.
constexpr std::int64_t kChunkPixels = std::int64_t{1} << 22;

struct ImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// libtiff hands out colours already multiplied by their opacity, whatever kind of alpha the file
// holds.
bool ReadPage(TIFF* tiff, TiffInput& input, Canvas& canvas, Rgb back, std::string& reason) {
    std::vector<std::uint8_t> tileBuffer;
    TIFFRGBAImage image{};
    if (!BeginTiffPage(tiff, input, image, tileBuffer, reason)) {
        return false;
    }
    const std::unique_ptr<TIFFRGBAImage, ImageEnd> ending(&image);
    const std::int64_t width = image.width;
    const std::int64_t height = image.height;
    ReserveWholePicture(width, height);
    if (!canvas.Resize(static_cast<int>(width), static_cast<int>(height))) {
        reason = TooLargeReason(width, height);
        return false;
    }
    canvas.SetIccProfile(TiffIccProfile(tiff));
    const std::int64_t chunkRows = std::clamp<std::int64_t>(kChunkPixels / width, 1, height);
    std::vector<std::uint32_t> raster(static_cast<std::size_t>(width * chunkRows));
    for (std::int64_t top = 0; top < height; top += chunkRows) {
        const std::int64_t rows = std::min(chunkRows, height - top);
        image.row_offset = static_cast<int>(top);
        if (TIFFRGBAImageGet(&image, raster.data(), static_cast<std::uint32_t>(width),
                             static_cast<std::uint32_t>(rows)) == 0) {
            reason = TiffReason(input, "the picture data is damaged");
            return false;
        }
        for (std::int64_t y = 0; y < rows; ++y) {
            std::uint8_t* out = canvas.Row(static_cast<int>(top + y));
            const std::uint32_t* in = raster.data() + y * width;
            for (std::int64_t x = 0; x < width; ++x, out += 3) {
                const std::uint32_t pixel = in[x];
                const Rgb rgb{static_cast<std::uint8_t>(TIFFGetR(pixel)),
                              static_cast<std::uint8_t>(TIFFGetG(pixel)),
                              static_cast<std::uint8_t>(TIFFGetB(pixel))};
                const auto alpha = static_cast<int>(TIFFGetA(pixel));
                // Most pictures are opaque: no blend for them.
                const Rgb shown =
                    alpha == 255 ? rgb : PremultipliedOverBackground(rgb, alpha, back);
                out[0] = shown.r;
                out[1] = shown.g;
                out[2] = shown.b;
            }
        }
    }
    return true;
}

bool IsTiff(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kIntel[] = {'I', 'I', 42, 0};
    static constexpr std::uint8_t kMotorola[] = {'M', 'M', 0, 42};
    static constexpr std::uint8_t kBigIntel[] = {'I', 'I', 43, 0};
    static constexpr std::uint8_t kBigMotorola[] = {'M', 'M', 0, 43};
    return StartsWith(head, kIntel) || StartsWith(head, kMotorola) || StartsWith(head, kBigIntel) ||
           StartsWith(head, kBigMotorola);
}

bool DecodeTiff(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                std::string& reason) {
    TiffInput input{file, fileSize, {}};
    const TiffPtr tiff = OpenTiff(input);
    if (!tiff) {
        reason = TiffReason(input, "the file is damaged");
        return false;
    }
    return ReadPage(tiff.get(), input, canvas, ToRgb(backColour), reason);
}

} // namespace

constinit const PictureReader kTiffReader{.format = PictureFormat::Tiff,
                                          .name = "TIFF",
                                          .matches = IsTiff,
                                          .extensions = "*.tif;*.tiff",
                                          .decode = DecodeTiff};

} // namespace kalvimo::codecs
