#include "codec_internal.h"
#include "codec_table.h"
#include "webp_input.h"

#include <vector>

namespace kalvimo::codecs {

namespace {

// Decodes one frame straight into the canvas at (left, top); a frame with alpha goes through a
// buffer of its own to be painted over back.
bool DecodeFrame(const WebPData& data, int left, int top, Canvas& canvas, Rgb back,
                 std::string& reason) {
    WebPDecoderConfig config{};
    if (WebPInitDecoderConfig(&config) == 0) {
        reason = "the WebP library does not match";
        return false;
    }
    VP8StatusCode status = WebPGetFeatures(data.bytes, data.size, &config.input);
    const int width = config.input.width;
    const int height = config.input.height;
    if (status == VP8_STATUS_OK && (width <= 0 || height <= 0 || left + width > canvas.Width() ||
                                    top + height > canvas.Height())) {
        status = VP8_STATUS_BITSTREAM_ERROR;
    }
    if (status != VP8_STATUS_OK) {
        reason = WebpStatusText(status);
        return false;
    }
    const bool alpha = config.input.has_alpha != 0;
    std::vector<std::uint8_t> rgba;
    WebPRGBABuffer& out = config.output.u.RGBA;
    config.output.is_external_memory = 1;
    if (alpha) {
        rgba.resize(static_cast<std::size_t>(width) * 4 * height);
        config.output.colorspace = MODE_RGBA;
        out.rgba = rgba.data();
        out.stride = width * 4;
        out.size = rgba.size();
    } else {
        config.output.colorspace = MODE_RGB;
        out.rgba = canvas.Row(top) + 3 * static_cast<std::size_t>(left);
        out.stride = static_cast<int>(canvas.Stride());
        out.size = canvas.Stride() * (height - 1) + 3 * static_cast<std::size_t>(width);
    }
    status = WebPDecode(data.bytes, data.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) {
        reason = WebpStatusText(status);
        return false;
    }
    for (int y = 0; alpha && y < height; ++y) {
        const std::uint8_t* in = rgba.data() + static_cast<std::size_t>(y) * width * 4;
        std::uint8_t* row = canvas.Row(top + y) + 3 * static_cast<std::size_t>(left);
        for (int x = 0; x < width; ++x, in += 4, row += 3) {
            const Rgb rgb = OverBackground({in[0], in[1], in[2]}, in[3], back);
            row[0] = rgb.r;
            row[1] = rgb.g;
            row[2] = rgb.b;
        }
    }
    return true;
}

bool IsWebp(std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kRiff[] = {'R', 'I', 'F', 'F'};
    static constexpr std::uint8_t kWebp[] = {'W', 'E', 'B', 'P'};
    return StartsWith(head, kRiff) && head.size() >= 12 && StartsWith(head.subspan(8), kWebp);
}

bool DecodeWebp(std::FILE* file, std::int64_t fileSize, Canvas& canvas, Colour backColour,
                std::string& reason) {
    WebpFile webp;
    if (!webp.Read(file, fileSize, reason)) {
        return false;
    }
    const int width = webp.Width();
    const int height = webp.Height();
    // A lossless picture is held by libwebp whole at 4 bytes a pixel, one with alpha is decoded
    // through a buffer of as much.
    ReserveWholePicture(width, height, 8);
    if (!canvas.Resize(width, height)) {
        reason = TooLargeReason(width, height);
        return false;
    }
    canvas.SetIccProfile(webp.IccProfile());
    const WebPIterator& frame = webp.FirstFrame();
    // An animation's first frame may cover only part of the canvas; the rest is background.
    if (frame.x_offset != 0 || frame.y_offset != 0 || frame.width != width ||
        frame.height != height || frame.has_alpha != 0) {
        canvas.FillRect(0, 0, canvas.Width(), canvas.Height(), backColour);
    }
    return DecodeFrame(frame.fragment, frame.x_offset, frame.y_offset, canvas, ToRgb(backColour),
                       reason);
}

} // namespace

constinit const PictureReader kWebpReader{.format = PictureFormat::Webp,
                                          .name = "WebP",
                                          .matches = IsWebp,
                                          .extensions = "*.webp",
                                          .decode = DecodeWebp};

} // namespace kalvimo::codecs
