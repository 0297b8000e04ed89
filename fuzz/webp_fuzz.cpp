#include "codecs/picture_decoder.h"
#include "codecs/webp_lossless.h"
#include "codecs/webp_shrink_reader.h"
#include "fuzz_input.h"

#include <cstdlib>
#include <cstring>
#include <vector>
#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// Under the sanitizers every pixel costs some twenty times as much: larger pictures, which a few
// bytes can state, are only read by the full decoder, lest each input take seconds. This many
// still make a backward reference reach as far back as it can.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 21;

// libwebp and the row-by-row decoder read a VP8L chunk to the same pixels, or both refuse it;
// anything else stops the fuzzer.
void CompareLossless(const std::uint8_t* chunk, std::size_t size) {
    int width = 0;
    int height = 0;
    if (size <= 8 || std::memcmp(chunk, "VP8L", 4) != 0 ||
        WebPGetInfo(chunk, size, &width, &height) == 0 ||
        std::int64_t{width} * height > kMaxPixels) {
        return;
    }
    std::uint8_t* rgba = WebPDecodeRGBA(chunk, size, &width, &height);
    kalvimo::codecs::WebpLosslessDecoder decoder;
    std::string reason;
    bool read = decoder.Begin({chunk + 8, size - 8}, reason);
    for (int y = 0; read && y < decoder.Height(); ++y) {
        const std::uint32_t* row = decoder.ReadRow(reason);
        read = row != nullptr;
        for (int x = 0; read && rgba != nullptr && x < width; ++x) {
            const std::uint8_t* p = rgba + (static_cast<std::size_t>(y) * width + x) * 4;
            if ((std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 |
                 p[2]) != row[x]) {
                std::abort();
            }
        }
    }
    if (read != (rgba != nullptr) || (!read && reason.empty())) {
        std::abort();
    }
    WebPFree(rgba);
}

} // namespace

// Both readers the batch uses, the full decoder and the shrinking one, and libwebp against the
// row-by-row lossless decoder. An input that starts as a lossless bitstream does rather than as a
// file is taken for the payload of a VP8L chunk, so that the fuzzer spends its time in the
// bitstream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint8_t kLosslessSignature = 0x2F;
    if (size > 0 && data[0] == kLosslessSignature) {
        std::vector<std::uint8_t> chunk = {'V', 'P', '8', 'L'};
        for (int shift = 0; shift < 32; shift += 8) {
            chunk.push_back(static_cast<std::uint8_t>(size >> shift));
        }
        chunk.insert(chunk.end(), data, data + size);
        CompareLossless(chunk.data(), chunk.size());
        return 0;
    }
    const bool webp = kalvimo::SniffFormat({data, size}) == kalvimo::PictureFormat::Webp;
    const std::string& path = kalvimo::fuzz::InputFile(
        data, size, webp ? std::string_view() : std::string_view("RIFF\0\0\0\0WEBP", 12));
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(path, canvas, 0x336699, error);
    // One reader serves every input, as one serves a whole batch: the eighth-size copy, then a
    // region scaled on both axes, then two targets from an odd corner and past the picture's edge,
    // which libwebp decodes at full size.
    static kalvimo::WebpShrinkReader reader;
    static kalvimo::Canvas other;
    const auto open = [&path] {
        return reader.Open(path, 0x336699) &&
               std::int64_t{reader.Width()} * reader.Height() <= kMaxPixels;
    };
    if (open() && reader.ReadEighth(other, error) && canvas.Resize(7, 5)) {
        reader.ReadRegion(canvas, {0, 0, reader.Width(), reader.Height()}, error);
    }
    if (open() && canvas.Resize(3, 9) && other.Resize(4, 2)) {
        const kalvimo::ShrinkTarget targets[] = {
            {canvas, {-3, 0, reader.Width() + 7, reader.Height() + 7}},
            {other,
             {reader.Width() / 2 | 1, reader.Height() / 3, reader.Width(), reader.Height()}}};
        reader.ReadRegions(targets, error);
    }
    const WebPData file{data, size};
    WebPDemuxer* demux = WebPDemux(&file);
    WebPIterator frame{};
    if (demux != nullptr && WebPDemuxGetFrame(demux, 1, &frame) != 0) {
        CompareLossless(frame.fragment.bytes, frame.fragment.size);
        WebPDemuxReleaseIterator(&frame);
    }
    WebPDemuxDelete(demux);
    return 0;
}
