#pragma once

#include <exiv2/exiv2.hpp>
#include <memory>
#include <string>

namespace kalvimo {

// The file's metadata, read; null when the file is not a regular file or not a picture the
// metadata library knows. Throws what the library throws on a malformed file.
std::unique_ptr<Exiv2::Image> OpenMetadata(const std::string& path);

} // namespace kalvimo
