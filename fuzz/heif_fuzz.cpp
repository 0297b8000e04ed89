#include "codecs/picture_decoder.h"
#include "fuzz_input.h"

// libheif's AV1 decoder does not give back the block of a damaged stream that dav1d refused; the
// small leak is the libraries', not the reader's, so the leak checker is told so.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdav1d.so\n";
}

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
