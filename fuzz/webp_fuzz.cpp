#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool webp = kalvimo::SniffFormat({data, size}) == kalvimo::PictureFormat::Webp;
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(
        kalvimo::fuzz::InputFile(
            data, size, webp ? std::string_view() : std::string_view("RIFF\0\0\0\0WEBP", 12)),
        canvas, 0x336699, error);
    return 0;
}
