#include "codec_internal.h"

#include <cerrno>
#include <system_error>

namespace kalvimo::codecs {

std::string TooLargeReason(std::int64_t width, std::int64_t height) {
    return "the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
           " pixels)";
}

std::string ErrnoText(int code) {
    return std::generic_category().message(code);
}

bool FlushOutput(std::FILE* out, std::string& error) {
    if (std::fflush(out) != 0 || std::ferror(out) != 0) {
        error = std::string("could not write the file: ") + ErrnoText(errno);
        return false;
    }
    return true;
}

} // namespace kalvimo::codecs
