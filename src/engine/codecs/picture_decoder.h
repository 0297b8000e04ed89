#pragma once

#include "../canvas.h"
#include "../colour.h"

#include <cstdint>
#include <span>
#include <string>

namespace kalvimo {

enum class PictureFormat { Unknown, Jpeg, Bmp, Gif, Png, Heif, Webp, Tiff };

// The format is told by the file's first bytes, never by its name.
PictureFormat SniffFormat(std::span<const std::uint8_t> head);

// The format of the picture file at path; Unknown when it cannot be read.
PictureFormat SniffFile(const std::string& path);

// Decodes the picture file into canvas, which takes the picture's size. Transparent pixels take
// backColour. On failure returns false with a message naming the file in error; the canvas is
// then left empty.
bool DecodePictureFile(const std::string& path, Canvas& canvas, Colour backColour,
                       std::string& error);

} // namespace kalvimo
