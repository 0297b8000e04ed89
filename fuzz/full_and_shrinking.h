#pragma once

#include "area_averager.h"
#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

#include <string_view>

namespace kalvimo::fuzz {

// Both readers the batch uses on one input: the full decoder, and the shrinking Reader that
// averages rows as they come. One reader serves every input, as one serves a whole batch: the
// eighth-size copy, then two targets, one reaching past the picture's edge and one from its
// middle.
template <typename Reader>
void ReadFullAndShrinking(const std::uint8_t* data, std::size_t size, std::string_view signature) {
    const std::string& path = InputFile(data, size, signature);
    Canvas canvas;
    std::string error;
    DecodePictureFile(path, canvas, 0x336699, error);
    static Reader reader;
    static Canvas other;
    if (reader.Open(path, 0x336699)) {
        reader.ReadEighth(other, error);
    }
    if (reader.Open(path, 0x336699) && canvas.Resize(3, 9) && other.Resize(4, 2)) {
        const ShrinkTarget targets[] = {
            {canvas, {-3, 0, reader.Width() + 7, reader.Height() + 7}},
            {other, {reader.Width() / 2, reader.Height() / 3, reader.Width(), reader.Height()}}};
        reader.ReadRegions(targets, error);
    }
}

} // namespace kalvimo::fuzz
