#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool tiff = kalvimo::SniffFormat({data, size}) == kalvimo::PictureFormat::Tiff;
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(
        kalvimo::fuzz::InputFile(data, size,
                                 tiff ? std::string_view() : std::string_view("II*\0", 4)),
        canvas, 0x336699, error);
    return 0;
}
