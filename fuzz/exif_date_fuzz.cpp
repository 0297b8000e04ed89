#include "exif_date.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = kalvimo::fuzz::InputFile(data, size, std::string_view("\xFF\xD8", 2));
    kalvimo::ReadExifDate(path);
    kalvimo::ReadExifOrientation(path);
    return 0;
}
