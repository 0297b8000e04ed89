#include "codecs/gif_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

// Both readers the batch uses: the full decoder, and the one that averages rows as they come.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = kalvimo::fuzz::InputFile(data, size, std::string_view("GIF89a", 6));
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(path, canvas, 0x336699, error);
    // One reader serves every input, as one serves a whole batch: the eighth-size copy, then two
    // targets, one reaching past the picture's edge and one from its middle.
    static kalvimo::GifShrinkReader reader;
    static kalvimo::Canvas other;
    if (reader.Open(path, 0x336699)) {
        reader.ReadEighth(other, error);
    }
    if (reader.Open(path, 0x336699) && canvas.Resize(3, 9) && other.Resize(4, 2)) {
        const kalvimo::ShrinkTarget targets[] = {
            {canvas, {-3, 0, reader.Width() + 7, reader.Height() + 7}},
            {other, {reader.Width() / 2, reader.Height() / 3, reader.Width(), reader.Height()}}};
        reader.ReadRegions(targets, error);
    }
    return 0;
}
