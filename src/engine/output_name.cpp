#include "output_name.h"

#include "exif_date.h"
#include "text_helpers.h"

#include <array>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace kalvimo {

std::optional<std::string> FileDateStamp(const std::string& path) {
    struct statx info {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) {
        return std::nullopt;
    }
    const bool hasBirth = (info.stx_mask & STATX_BTIME) != 0;
    const std::time_t seconds =
        static_cast<std::time_t>(hasBirth ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec);
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return std::nullopt;
    }
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y%m%d_%H%M%S", &local);
    if (length == 0) {
        return std::nullopt;
    }
    return std::string(text.data(), length);
}

namespace {

std::optional<std::string> NamedPath(const JobOptions& options, const std::string& fileName,
                                     const std::string& sourcePath) {
    const std::string folder = AddBackslash(options.destinationFolder);
    if (!options.renameWithDate) {
        return folder + fileName;
    }
    const std::string ending = options.suffixExisting ? "_" + fileName : ExtensionWithDot(fileName);
    const std::string stamp = ReadExifDate(sourcePath);
    if (!stamp.empty()) {
        return folder + options.prefix + stamp + ending;
    }
    const std::optional<std::string> fileStamp = FileDateStamp(sourcePath);
    if (!fileStamp) {
        return std::nullopt;
    }
    return folder + options.prefix + options.noDatePrefix + *fileStamp + ending;
}

} // namespace

std::optional<std::string> OutputPath(const JobOptions& options, const std::string& fileName,
                                      const std::string& sourcePath, const cGdiPlus& encoders) {
    std::optional<std::string> path = NamedPath(options, fileName, sourcePath);
    // Pictures read from formats the program does not write, such as HEIC, WebP or TIFF, go to
    // the JPEG that picture frames play. Every form of the name ends in the source's extension.
    const std::string extension = cGdiPlus::GetExtension(fileName);
    if (path && !extension.empty() && encoders.EncoderIndex("*." + extension) < 0) {
        path->replace(path->size() - extension.size(), extension.size(), "jpg");
    }
    return path;
}

} // namespace kalvimo
