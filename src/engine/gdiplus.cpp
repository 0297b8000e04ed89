#include "gdiplus.h"

#include "codecs/codec_table.h"
#include "file_writing.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace kalvimo {

namespace {

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
    encoders_.assign(codecs::kPictureWriters.begin(), codecs::kPictureWriters.end());
    extensions_.clear();
    for (int index = static_cast<int>(encoders_.size()) - 1; index >= 0; --index) {
        AddExtensions(encoders_[static_cast<std::size_t>(index)]->extensions, ';', index);
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

bool cGdiPlus::WritesJpeg(const std::string& sFilename) const {
    const std::string ext = GetExtension(sFilename);
    const int index = ext.empty() ? -1 : EncoderIndex("*." + ext);
    return index >= 0 && encoders_[static_cast<std::size_t>(index)] == &codecs::kJpegWriter;
}

bool cGdiPlus::PictureBoxToFile(const Canvas& pic, const std::string& sFilename,
                                std::optional<int> lQuality, ExistingEntry existing,
                                std::span<const std::uint8_t> exif) {
    const std::string ext = GetExtension(sFilename);
    const int index = ext.empty() ? -1 : EncoderIndex("*." + ext);
    if (index < 0) {
        return false;
    }
    if (pic.Empty()) {
        RaiseError(GdiStatus::InvalidParameter);
        return false;
    }

    GdiStatus status = GdiStatus::Ok;
    const int error = WriteFileInPlace(sFilename, existing, [&](int descriptor) {
        // The stream gets a descriptor of its own, so that the writer can still sync its own.
        const int streamDescriptor = ::dup(descriptor);
        std::unique_ptr<std::FILE, FileCloser> out(
            streamDescriptor < 0 ? nullptr : ::fdopen(streamDescriptor, "wb"));
        if (!out) {
            if (streamDescriptor >= 0) {
                ::close(streamDescriptor);
            }
            status = GdiStatus::OutOfMemory;
            return false;
        }
        std::string message;
        const codecs::WriteSettings settings{std::clamp(lQuality.value_or(75), 0, 100), exif};
        const bool written =
            encoders_[static_cast<std::size_t>(index)]->encode(pic, out.get(), settings, message);
        const bool streamFailed = std::ferror(out.get()) != 0;
        const bool closed = std::fclose(out.release()) == 0;
        if (!written) {
            status = streamFailed ? GdiStatus::Win32Error : GdiStatus::GenericError;
        } else if (streamFailed || !closed) {
            status = GdiStatus::Win32Error;
        }
        return status == GdiStatus::Ok;
    });
    if (error != 0) {
        RaiseError(status != GdiStatus::Ok ? status : StatusOfErrno(error));
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
