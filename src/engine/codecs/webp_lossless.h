#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace kalvimo::codecs {

// Decodes a lossless WebP bitstream (the payload of a VP8L chunk) a row at a time, to the same
// pixels as libwebp, holding only what the format makes it hold: the small sub-images of the
// transforms and of the prefix codes whole, and of the picture itself the last million pixels
// or so, as far back as a backward reference can reach. Everything a file states is checked
// before it is used; a damaged or hostile file is refused with a reason, never read past.
class WebpLosslessDecoder {
public:
    WebpLosslessDecoder();
    ~WebpLosslessDecoder();
    WebpLosslessDecoder(const WebpLosslessDecoder&) = delete;
    WebpLosslessDecoder& operator=(const WebpLosslessDecoder&) = delete;

    // Reads everything before the picture's pixels; the bytes must outlive the decoding. False,
    // with the reason, when they are no lossless picture this decoder can read.
    bool Begin(std::span<const std::uint8_t> bytes, std::string& reason);

    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;
    // Whether the picture says it uses transparency; when not, libwebp drops its alpha channel.
    [[nodiscard]] bool Alpha() const;

    // The next row from the top: Width() pixels as 0xAARRGGBB, valid until the next call. Null,
    // with the reason, when the data is damaged or every row has been read.
    const std::uint32_t* ReadRow(std::string& reason);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace kalvimo::codecs
