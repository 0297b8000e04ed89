#pragma once

#include <exiv2/exiv2.hpp>
#include <optional>
#include <string>

namespace kalvimo {

// A picture's EXIF properties in the file's order, and the byte order they were stored in.
struct ExifBlock {
    Exiv2::ExifData data;
    Exiv2::ByteOrder order = Exiv2::littleEndian;
};

// The file's EXIF; nothing when the file is not a regular file or not a picture with readable
// metadata. Throws what the library throws on a malformed file.
std::optional<ExifBlock> ReadExif(const std::string& path);

} // namespace kalvimo
