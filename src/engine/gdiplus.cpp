#include "gdiplus.h"

#include "codecs/picture_encoder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kalvimo {

namespace {

// What we can write, in the order the encoders are listed.
constexpr std::array<const char*, 4> kEncoderExtensions = {
    "*.BMP;*.DIB;*.RLE",
    "*.JPG;*.JPEG;*.JPE;*.JFIF",
    "*.GIF",
    "*.PNG",
};

GdiStatus StatusOfErrno(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return GdiStatus::FileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return GdiStatus::AccessDenied;
    case ENOMEM:
        return GdiStatus::OutOfMemory;
    default:
        return GdiStatus::Win32Error;
    }
}

mode_t NewFileMode() {
    // umask can only be read by setting it; do it once, before any other thread may write files.
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    return mode;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool cGdiPlus::CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) <
               std::toupper(static_cast<unsigned char>(y));
    });
}

cGdiPlus::cGdiPlus() {
    LoadEncoders();
}

void cGdiPlus::LoadEncoders() {
    encoders_ = {Format::Bmp, Format::Jpeg, Format::Gif, Format::Png};
    extensions_.clear();
    for (int index = static_cast<int>(encoders_.size()) - 1; index >= 0; --index) {
        AddExtensions(kEncoderExtensions[static_cast<std::size_t>(index)], ';', index);
    }
}

void cGdiPlus::AddExtensions(const std::string& list, char delimiter, int index) {
    std::size_t start = 0;
    for (std::size_t end = list.find(delimiter); end != std::string::npos;
         end = list.find(delimiter, start)) {
        extensions_[list.substr(start, end - start)] = index;
        start = end + 1;
    }
    std::string rest = list.substr(start);
    rest.erase(0, rest.find_first_not_of(' '));
    rest.erase(rest.find_last_not_of(' ') + 1);
    if (!rest.empty()) {
        extensions_[rest] = index;
    }
}

std::string cGdiPlus::GetExtension(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || fileName.find('/', dot) != std::string::npos) {
        return {};
    }
    return fileName.substr(dot + 1);
}

int cGdiPlus::EncoderIndex(const std::string& key) const {
    const auto found = extensions_.find(key);
    return found == extensions_.end() ? -1 : found->second;
}

std::vector<std::string> cGdiPlus::Extensions() const {
    std::vector<std::string> result;
    result.reserve(extensions_.size());
    for (const auto& entry : extensions_) {
        result.push_back(entry.first);
    }
    return result;
}

void cGdiPlus::RaiseError(GdiStatus status) {
    if (Error) {
        const auto code = static_cast<std::int32_t>(status);
        Error(code, GdiErrorString(code));
    }
}

bool cGdiPlus::PictureBoxToFile(const Canvas& pic, const std::string& sFilename,
                                std::optional<int> lQuality) {
    const std::string ext = GetExtension(sFilename);
    const int index = ext.empty() ? -1 : EncoderIndex("*." + ext);
    if (index < 0) {
        return false;
    }
    if (pic.Empty()) {
        RaiseError(GdiStatus::InvalidParameter);
        return false;
    }

    // A hidden temporary beside the target, renamed over it only once it is complete.
    const std::size_t slash = sFilename.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : sFilename.substr(0, slash + 1);
    std::string temporary = folder + ".kalvimo-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        RaiseError(StatusOfErrno(errno));
        return false;
    }
    ::fchmod(fd, NewFileMode());
    std::unique_ptr<std::FILE, FileCloser> out(::fdopen(fd, "wb"));
    if (!out) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        RaiseError(StatusOfErrno(error));
        return false;
    }

    std::string message;
    bool written = false;
    switch (encoders_[static_cast<std::size_t>(index)]) {
    case Format::Jpeg:
        written = WriteJpeg(pic, out.get(), std::clamp(lQuality.value_or(75), 0, 100), message);
        break;
    case Format::Bmp:
        written = WriteBmp(pic, out.get(), message);
        break;
    case Format::Gif:
        written = WriteGif(pic, out.get(), message);
        break;
    case Format::Png:
        written = WritePng(pic, out.get(), message);
        break;
    }
    const bool streamFailed = std::ferror(out.get()) != 0;
    const int closeResult = std::fclose(out.release());
    GdiStatus status = GdiStatus::Ok;
    if (!written) {
        status = streamFailed ? GdiStatus::Win32Error : GdiStatus::GenericError;
    } else if (streamFailed || closeResult != 0) {
        status = GdiStatus::Win32Error;
    } else if (std::rename(temporary.c_str(), sFilename.c_str()) != 0) {
        status = StatusOfErrno(errno);
    }
    if (status != GdiStatus::Ok) {
        ::unlink(temporary.c_str());
        RaiseError(status);
        return false;
    }
    return true;
}

std::string cGdiPlus::GdiErrorString(std::int32_t lError) {
    static constexpr std::array<const char*, 21> kTexts = {
        "Unknown GDI+ Error",
        "Generic Error",
        "Invalid Parameter",
        "Out Of Memory",
        "Object Busy",
        "Insufficient Buffer",
        "Not Implemented",
        "Win32 Error",
        "Wrong State",
        "Aborted",
        "File Not Found",
        "Value Overflow",
        "Access Denied",
        "Unknown Image Format",
        "FontFamily Not Found",
        "FontStyle Not Found",
        "Not TrueType Font",
        "Unsupported Gdiplus Version",
        "Gdiplus Not Initialized",
        "Property Not Found",
        "Property Not Supported",
    };
    if (lError < 1 || lError >= static_cast<std::int32_t>(kTexts.size())) {
        return kTexts[0];
    }
    return kTexts[static_cast<std::size_t>(lError)];
}

// The codecs are linked into the program and need no global start or stop.
bool StartImageLibrary() {
    return true;
}

void StopImageLibrary() {}

} // namespace kalvimo
