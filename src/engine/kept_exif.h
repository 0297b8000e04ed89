#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kalvimo {

// The EXIF of the picture at path, made fit for a width x height upright copy of it: Orientation
// 1, the pixel dimensions of the copy, no thumbnail, and no GPS position (a frame has no use for
// where the picture was taken). The result is the TIFF structure an APP1 "Exif" marker holds;
// empty when the picture has no EXIF, the reader cannot make sense of it, or it cannot fit in one
// marker.
std::vector<std::uint8_t> KeptExif(const std::string& path, int width, int height);

} // namespace kalvimo
