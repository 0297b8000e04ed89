#include "codec_internal.h"

#include "../memory_budget.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace kalvimo::codecs {

namespace {

// Larger files are refused before any reading: no picture the program handles comes near it.
constexpr std::int64_t kMaxFileBytes = std::int64_t{1} << 30;

} // namespace

bool StartsWith(std::span<const std::uint8_t> head, std::span<const std::uint8_t> signature) {
    return head.size() >= signature.size() &&
           std::memcmp(head.data(), signature.data(), signature.size()) == 0;
}

std::string TooLargeReason(std::int64_t width, std::int64_t height) {
    return "the picture is too large (" + std::to_string(width) + " x " + std::to_string(height) +
           " pixels)";
}

void ReserveWholePicture(std::int64_t width, std::int64_t height, int decoderBytesPerPixel) {
    constexpr int kCanvasAndCopy = 2 * 3;
    MemoryBudget::Reserve(width * height * (kCanvasAndCopy + decoderBytesPerPixel));
}

bool SizeIsPlausible(std::int64_t width, std::int64_t height, std::int64_t maxPixels,
                     std::int64_t fileSize, std::int64_t pixelsPerByte, std::string& reason) {
    if (width <= 0 || height <= 0) {
        reason = "the picture size is not valid";
        return false;
    }
    // Each side is checked first, so that the product cannot overflow.
    if (width > maxPixels || height > maxPixels || width * height > maxPixels) {
        reason = TooLargeReason(width, height);
        return false;
    }
    if (width * height / pixelsPerByte > fileSize) {
        reason = "the file is too small for a picture of " + std::to_string(width) + " x " +
                 std::to_string(height) + " pixels";
        return false;
    }
    return true;
}

Rgb OverBackground(Rgb rgb, int alpha, Rgb back) {
    const auto mix = [alpha](int front, int behind) {
        return static_cast<std::uint8_t>((front * alpha + behind * (255 - alpha) + 127) / 255);
    };
    return {mix(rgb.r, back.r), mix(rgb.g, back.g), mix(rgb.b, back.b)};
}

Rgb PremultipliedOverBackground(Rgb rgb, int alpha, Rgb back) {
    const auto mix = [alpha](int front, int behind) {
        return static_cast<std::uint8_t>(
            std::min(255, front + (behind * (255 - alpha) + 127) / 255));
    };
    return {mix(rgb.r, back.r), mix(rgb.g, back.g), mix(rgb.b, back.b)};
}

// Opened without blocking so that a named pipe cannot stall the run; only regular files pass.
FilePtr OpenRegularFile(const std::string& path, std::int64_t& size, std::string& reason) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        reason = std::string("could not be opened (") + ErrnoText(errno) + ")";
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        reason = "is not a file";
        return nullptr;
    }
    if (info.st_size > kMaxFileBytes) {
        ::close(fd);
        reason = "is too large to read (over 1 GiB)";
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        reason = std::string("could not be opened (") + ErrnoText(errno) + ")";
        ::close(fd);
        return nullptr;
    }
    size = info.st_size;
    return FilePtr(file);
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
