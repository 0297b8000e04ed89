#include "codecs/gif_shrink_reader.h"
#include "full_and_shrinking.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalvimo::fuzz::ReadFullAndShrinking<kalvimo::GifShrinkReader>(data, size,
                                                                  std::string_view("GIF89a", 6));
    return 0;
}
