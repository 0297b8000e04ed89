#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(kalvimo::fuzz::InputFile(data, size, std::string_view("GIF89a", 6)),
                               canvas, 0x336699, error);
    return 0;
}
