#include "codecs/png_shrink_reader.h"
#include "full_and_shrinking.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalvimo::fuzz::ReadFullAndShrinking<kalvimo::PngShrinkReader>(
        data, size, std::string_view("\x89PNG\r\n\x1a\n", 8));
    return 0;
}
