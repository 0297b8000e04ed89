#include "codecs/jpeg_shrink_reader.h"
#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

// Both readers the batch uses: the full decoder, and the one that shrinks while decoding.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path =
        kalvimo::fuzz::InputFile(data, size, std::string_view("\xFF\xD8\xFF", 3));
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(path, canvas, 0x336699, error);
    // One reader serves every input, as one serves a whole batch.
    static kalvimo::JpegShrinkReader reader;
    if (reader.Open(path)) {
        reader.ReadInto(canvas, 7, 5, error);
    }
    // Two targets from one decoding, as a fill by content reads: one past the picture's edge.
    static kalvimo::Canvas other;
    if (reader.Open(path) && canvas.Resize(3, 9) && other.Resize(4, 2)) {
        const kalvimo::ShrinkTarget targets[] = {
            {canvas, {0, 0, reader.Width(), reader.Height()}},
            {other, {0, 0, reader.Width() + 7, reader.Height() + 7}}};
        reader.ReadRegions(targets, error);
    }
    return 0;
}
