#pragma once

#include "canvas.h"
#include "file_writing.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kalvimo {

namespace codecs {
struct PictureWriter;
}

// Status codes of the encoder, with the numbers of the traditional status enumeration.
enum class GdiStatus : std::int32_t {
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    Win32Error = 7,
    FileNotFound = 10,
    AccessDenied = 12,
};

// Writes canvases to picture files, choosing the format by the file name's extension.
class cGdiPlus {
public:
    cGdiPlus();

    cGdiPlus(const cGdiPlus&) = delete;
    cGdiPlus& operator=(const cGdiPlus&) = delete;

    // True when the file was written. A JPEG gets lQuality (0..100) when given, and exif (the
    // TIFF structure of an APP1 "Exif" marker) when not empty; other formats carry no EXIF. The
    // file is written beside its final name and renamed into place, so a failed save leaves any
    // existing file as it was; with Keep, an entry found at the name fails the save.
    bool PictureBoxToFile(const Canvas& pic, const std::string& sFilename,
                          std::optional<int> lQuality = std::nullopt,
                          ExistingEntry existing = ExistingEntry::Replace,
                          std::span<const std::uint8_t> exif = {});

    // Whether a file of that name is written as JPEG.
    [[nodiscard]] bool WritesJpeg(const std::string& sFilename) const;

    static std::string GdiErrorString(std::int32_t lError);

    // The text after the last "." of the name; empty when there is none or a folder follows it.
    static std::string GetExtension(const std::string& fileName);

    // The encoder registered for a pattern such as "*.JPG" (any letter case), or -1.
    [[nodiscard]] int EncoderIndex(const std::string& key) const;

    // Every pattern that some encoder accepts, for example "*.JPEG".
    [[nodiscard]] std::vector<std::string> Extensions() const;

    // Raised on every failing save with the status and its text.
    std::function<void(std::int32_t lGdiError, const std::string& sErrorDesc)> Error;

private:
    struct CaseInsensitiveLess {
        bool operator()(const std::string& a, const std::string& b) const;
    };

    void LoadEncoders();
    void AddExtensions(const std::string& list, char delimiter, int index);
    void RaiseError(GdiStatus status);

    std::vector<const codecs::PictureWriter*> encoders_;
    std::map<std::string, int, CaseInsensitiveLess> extensions_;
};

// The image library's start-up: true once the codecs are usable.
bool StartImageLibrary();
void StopImageLibrary();

} // namespace kalvimo
