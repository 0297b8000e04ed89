#include "bmp_input.h"
#include "codec_internal.h"
#include "codec_table.h"

namespace kalvimo::codecs {

namespace {

// Rows come in file order, the fastest way through the file and the only one through runs.
bool ReadRows(BmpInput& input, Canvas& canvas, std::string& reason) {
    ReserveWholePicture(input.Width(), input.Height());
    if (!canvas.Resize(input.Width(), input.Height())) {
        reason = TooLargeReason(input.Width(), input.Height());
        return false;
    }
    for (int i = 0; i < input.Height(); ++i) {
        if (!input.ReadRow(i, canvas.Row(input.PictureRow(i)), reason)) {
            return false;
        }
    }
    return input.Finish(reason);
}

bool IsBmp(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[] = {'B', 'M'};
    return StartsWith(head, kSignature);
}

bool DecodeBmp(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    BmpInput input;
    return input.Begin(file, fileSize, kMaxDecodedPixels, backColour, reason) &&
           ReadRows(input, canvas, reason);
}

} // namespace

constinit const PictureReader kBmpReader{.format = PictureFormat::Bmp,
                                         .name = "BMP",
                                         .matches = IsBmp,
                                         .extensions = "*.bmp",
                                         .decode = DecodeBmp};

} // namespace kalvimo::codecs
