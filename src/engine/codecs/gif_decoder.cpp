#include "codec_internal.h"
#include "codec_table.h"
#include "gif_input.h"

namespace kalvimo::codecs {

namespace {

bool ReadFirstImage(GifInput& input, Canvas& canvas, Colour backColour, std::string& reason) {
    ReserveWholePicture(input.Width(), input.Height());
    if (!canvas.Resize(input.Width(), input.Height())) {
        reason = TooLargeReason(input.Width(), input.Height());
        return false;
    }
    canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), backColour);
    const int height = input.FrameHeight();
    bool stopped = false;
    const auto readRow = [&](int row) {
        return input.ReadRow(canvas.Row(input.FrameTop() + row) +
                                 3 * static_cast<std::size_t>(input.FrameLeft()),
                             stopped, reason);
    };
    if (input.Interlaced()) {
        static constexpr int kStart[] = {0, 4, 2, 1};
        static constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4 && !stopped; ++pass) {
            for (int row = kStart[pass]; row < height && !stopped; row += kStep[pass]) {
                if (!readRow(row)) {
                    return false;
                }
            }
        }
    } else {
        for (int row = 0; row < height && !stopped; ++row) {
            if (!readRow(row)) {
                return false;
            }
        }
    }
    return true;
}

bool IsGif(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kGif87[] = {'G', 'I', 'F', '8', '7', 'a'};
    static constexpr std::uint8_t kGif89[] = {'G', 'I', 'F', '8', '9', 'a'};
    return StartsWith(head, kGif87) || StartsWith(head, kGif89);
}

bool DecodeGif(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
               std::string& reason) {
    GifInput input;
    return input.Begin(file, fileSize, kMaxDecodedPixels, backColour, reason) &&
           ReadFirstImage(input, canvas, backColour, reason);
}

} // namespace

constinit const PictureReader kGifReader{.format = PictureFormat::Gif,
                                         .name = "GIF",
                                         .matches = IsGif,
                                         .extensions = "*.gif",
                                         .decode = DecodeGif};

} // namespace kalvimo::codecs
