#pragma once

#include "canvas.h"
#include "gdiplus.h"

#include <cstdint>
#include <exiv2/exiv2.hpp>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kalvimo::test {

using ExifProperties = std::vector<std::pair<std::string, std::string>>;

// The file's metadata, read; the library hands out std::auto_ptr, owned here the modern way.
inline std::unique_ptr<Exiv2::Image> OpenWithMetadata(const std::string& path) {
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
    if (image) {
        image->readMetadata();
    }
    return image;
}

// Writes picture as a JPEG and gives it the EXIF properties (key, value), in that order.
inline void WriteJpegWithExif(const std::string& path, const Canvas& picture,
                              const ExifProperties& properties) {
    cGdiPlus gdip;
    ASSERT_TRUE(gdip.PictureBoxToFile(picture, path, 95));
    if (properties.empty()) {
        return;
    }
    const std::unique_ptr<Exiv2::Image> image = OpenWithMetadata(path);
    ASSERT_TRUE(image);
    for (const auto& [key, value] : properties) {
        image->exifData()[key] = value;
    }
    image->writeMetadata();
}

// A little-endian TIFF block, written by hand so that it can be as malformed as a test needs.
class TiffBlock {
public:
    TiffBlock() { bytes_ = std::string("II*\0\x08\0\0\0", 8); }

    void U16(std::uint16_t v) {
        bytes_ += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    void Raw(const std::string& s) { bytes_ += s; }
    // One directory entry: tag, type (2 ASCII, 3 SHORT), count, value or offset.
    void Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        U16(tag);
        U16(type);
        U32(count);
        U32(value);
    }
    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    [[nodiscard]] const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// The JPEG file's bytes with an APP1 "Exif" segment holding tiff put right after the SOI marker.
inline std::string WithExifSegment(const std::string& jpeg, const std::string& tiff) {
    const std::size_t length = tiff.size() + 8;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>((length >> 8) & 0xFF);
    segment += static_cast<char>(length & 0xFF);
    segment += std::string("Exif\0\0", 6) + tiff;
    return jpeg.substr(0, 2) + segment + jpeg.substr(2);
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace kalvimo::test
