#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

// An input that is no longer a HEIF file gets a file-type box in front.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const bool heif = kalvimo::SniffFormat({data, size}) == kalvimo::PictureFormat::Heif;
    kalvimo::Canvas canvas;
    std::string error;
    kalvimo::DecodePictureFile(kalvimo::fuzz::InputFile(data, size,
                                                        heif ? std::string_view()
                                                             : std::string_view("\0\0\0\x10"
                                                                                "ftypheic\0\0\0\0",
                                                                                16)),
                               canvas, 0x336699, error);
    return 0;
}
