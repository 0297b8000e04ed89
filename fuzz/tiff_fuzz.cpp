#include "codecs/picture_decoder.h"
#include "codecs/tiff_shrink_reader.h"
#include "fuzz_input.h"

// Both readers the batch uses: the full decoder, and the one that shrinks while reading.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool tiff = kalvimo::SniffFormat({data, size}) == kalvimo::PictureFormat::Tiff;
    const std::string& path = kalvimo::fuzz::InputFile(
        data, size, tiff ? std::string_view() : std::string_view("II*\0", 4));
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(path, canvas, 0x336699, error);
    // One reader serves every input, as one serves a whole batch.
    static kalvimo::TiffShrinkReader reader;
    if (reader.Open(path, 0x336699) && canvas.Resize(7, 5)) {
        reader.ReadRegion(canvas, {0, 0, reader.Width(), reader.Height()}, error);
    }
    // Two targets from one reading, as a fill by content reads: one past the picture's edge, one
    // of its lower right part only.
    static kalvimo::Canvas other;
    if (reader.Open(path, 0x336699) && canvas.Resize(3, 9) && other.Resize(4, 2)) {
        const kalvimo::ShrinkTarget targets[] = {
            {canvas, {-3, 0, reader.Width() + 7, reader.Height() + 7}},
            {other, {reader.Width() / 2, reader.Height() / 3, reader.Width(), reader.Height()}}};
        reader.ReadRegions(targets, error);
    }
    return 0;
}
