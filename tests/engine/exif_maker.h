#pragma once

#include "canvas.h"
#include "gdiplus.h"

#include <exiv2/exiv2.hpp>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kalvimo::test {

using ExifProperties = std::vector<std::pair<std::string, std::string>>;

// The file's metadata, read; older versions of the library hand out std::auto_ptr.
inline std::unique_ptr<Exiv2::Image> OpenWithMetadata(const std::string& path) {
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
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
    for (const auto& [key, value] : properties) {
        image->exifData()[key] = value;
    }
    image->writeMetadata();
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace kalvimo::test
