#include "codecs/picture_decoder.h"
#include "codecs/webp_shrink_reader.h"
#include "fuzz_input.h"

// Both readers the batch uses: the full decoder, and the one libwebp shrinks while decoding.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
    if (reader.Open(path, 0x336699) && reader.ReadEighth(other, error) && canvas.Resize(7, 5)) {
        reader.ReadRegion(canvas, {0, 0, reader.Width(), reader.Height()}, error);
    }
    if (reader.Open(path, 0x336699) && canvas.Resize(3, 9) && other.Resize(4, 2)) {
        const kalvimo::ShrinkTarget targets[] = {
            {canvas, {-3, 0, reader.Width() + 7, reader.Height() + 7}},
            {other,
             {reader.Width() / 2 | 1, reader.Height() / 3, reader.Width(), reader.Height()}}};
        reader.ReadRegions(targets, error);
    }
    return 0;
}
