#include "codecs/bmp_shrink_reader.h"
#include "full_and_shrinking.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kalvimo::fuzz::ReadFullAndShrinking<kalvimo::BmpShrinkReader>(data, size,
                                                                  std::string_view("BM", 2));
    return 0;
}
