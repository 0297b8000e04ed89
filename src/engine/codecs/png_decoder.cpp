#include "codec_internal.h"
#include "codec_table.h"
#include "png_input.h"

#include <vector>

namespace kalvimo::codecs {

namespace {

// Rows go straight into the canvas unless there is alpha to composite. Interlaced alpha pictures
// need the whole RGBA picture, since every pass adds to all rows.
bool ReadRows(PngInput& input, Canvas& canvas, Rgb back, std::string& reason) {
    const int height = canvas.Height();
    const int width = canvas.Width();
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(height));
    if (!input.Alpha()) {
        for (int y = 0; y < height; ++y) {
            rows[static_cast<std::size_t>(y)] = canvas.Row(y);
        }
        return input.ReadImage(rows.data(), reason);
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    if (!input.Interlaced()) {
        std::vector<std::uint8_t> pixels(rowBytes);
        for (int y = 0; y < height; ++y) {
            if (!input.ReadRow(pixels.data(), reason)) {
                return false;
            }
            CompositePngRow(pixels.data(), canvas.Row(y), width, back);
        }
        return true;
    }
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[static_cast<std::size_t>(y)] = pixels.data() + rowBytes * y;
    }
    if (!input.ReadImage(rows.data(), reason)) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        CompositePngRow(rows[static_cast<std::size_t>(y)], canvas.Row(y), width, back);
    }
    return true;
}

bool IsPng(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return StartsWith(head, kSignature);
}

bool DecodePng(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    PngInput input;
    if (!input.Begin(file, fileSize, reason)) {
        return false;
    }
    const int width = input.Width();
    const int height = input.Height();
    // An interlaced picture with alpha is read whole before it is put on the background.
    ReserveWholePicture(width, height, input.Interlaced() && input.Alpha() ? 4 : 0);
    if (!canvas.Resize(width, height)) {
        reason = TooLargeReason(width, height);
        return false;
    }
    if (!ReadRows(input, canvas, ToRgb(backColour), reason)) {
        return false;
    }
    canvas.SetIccProfile(input.IccProfile());
    return true;
}

} // namespace

constinit const PictureReader kPngReader{.format = PictureFormat::Png,
                                         .name = "PNG",
                                         .matches = IsPng,
                                         .extensions = "*.png",
                                         .decode = DecodePng};

} // namespace kalvimo::codecs
